// What every type is written as: one `convention<T>` each, chosen by the type's shape (traits.h),
// that says all of it in one place:
//
//   min_size(), max_size()   the least and the most bytes a value takes (max: kUnbounded)
//   fixed_size()             the bytes every value takes, or 0 when they vary
//   nesting()                how many records and containers a value nests at most, or
//                            kUnbounded where it holds a vector, map or set (which may hold it):
//                            where the depth limit leaves room for all of them, none is counted
//   write(out, value)        appends the value's items to a morsel::writer
//   read(in, value)          reads them back from a morsel::reader into an existing value
//   extent(at, left, depth)  how many bytes the value at `at` takes, or how many it needs at
//                            least, or that a byte is wrong, without throwing or building it: a
//                            stream asks before it reads, so that waiting never costs an
//                            exception (which byte is wrong, and why, the read then says)
//   put(out, value), tags_fit(at), get(in, value)   fixed-size types only: the value stored
//                            with no room check; its tags checked; and, once they are, read back
//                            (false, and nothing said, when a `from` refuses what was read).
//                            Tags are checked for a whole value at once, before anything is made
//                            of it, so that making it takes no branch per part
//
// The writer, the reader and the stream ask these and nothing else. The conventions themselves
// are in conventions_items.h (values of one item, enums), conventions_arrays.h (vectors and
// std::arrays that are an array item), conventions_records.h (records, tuples, std::array),
// conventions_alternatives.h (optional, variant), conventions_containers.h (vectors, deques,
// lists), conventions_associative.h (maps, sets) and conventions_surrogates.h (written_as,
// std::chrono). Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTION_H
#define MORSEL_DETAIL_CONVENTION_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/members.h>
#include <morsel/detail/traits.h>
#include <morsel/morsel.h>

namespace morsel::detail {

inline constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

// How many records and containers may be open around a value while it is read or written: deep
// enough for any sane message, shallow enough that no stack overflows at it (docs/format.md says
// how it was chosen).
inline constexpr std::size_t kDefaultDepthLimit = 256;

// The largest count a u32 count item holds.
inline constexpr std::size_t kMaxListCount = std::numeric_limits<std::uint32_t>::max();

constexpr std::size_t saturating_add(std::size_t a, std::size_t b) noexcept {
  return a > kUnbounded - b ? kUnbounded : a + b;
}
constexpr std::size_t saturating_mul(std::size_t a, std::size_t n) noexcept {
  return n != 0 && a > kUnbounded / n ? kUnbounded : a * n;
}

template <typename T, shape S = shape_of<T>()>
struct convention;

// Reading and writing by a type known at run time (morsel/value.h).
struct dynamic_reader;
struct dynamic_writer;
// Writes the elements of a vector or a set (conventions_containers.h).
struct element_writer;

template <typename T>
concept writable = shape_of<T>()
!= shape::none;

// A T made first, then read into. In a function of its own: GCC 12 copies a named return value
// out of a function that has another return statement, even in a discarded `if constexpr`.
template <typename T, typename R>
T read_into_new(R& in) {
  T value{};
  convention<T>::read(in, value);
  return value;
}

// A new T read from `in`: read into a T made first, or, for a type with no default constructor
// (one written as another's), made from what was read.
template <typename T, typename R>
T read_new(R& in) {
  if constexpr (std::is_default_constructible_v<T>) {
    return read_into_new<T>(in);
  } else {
    return convention<T>::take(in);
  }
}

template <typename T>
constexpr std::size_t min_size() {
  return convention<T>::min_size();
}
template <typename T>
constexpr std::size_t max_size() {
  return convention<T>::max_size();
}
template <typename T>
constexpr std::size_t fixed_size() {
  if constexpr (writable<T>) {
    return convention<T>::fixed_size();
  } else {
    return 0;
  }
}

template <typename T>
concept fixed_value = fixed_size<T>()
!= 0;

template <typename... T>
constexpr std::size_t fixed_sum() {
  const std::size_t sizes[] = {std::size_t{1}, fixed_size<T>()...};  // 1: no parts is no size
  std::size_t sum = 0;
  for (std::size_t i = 1; i < sizeof...(T) + 1; ++i) {
    if (sizes[i] == 0) {
      return 0;
    }
    sum += sizes[i];
  }
  return sum;
}

template <typename... T>
constexpr std::size_t deepest() {
  return std::max({std::size_t{0}, convention<T>::nesting()...});
}

// One more level around parts that nest `inner` levels.
constexpr std::size_t around(std::size_t inner) noexcept {
  return saturating_add(1, inner);
}

template <typename... T>
constexpr std::size_t max_sum() {
  std::size_t sum = 0;
  ((sum = saturating_add(sum, max_size<T>())), ...);
  return sum;
}

// ---- The extent of parts one after another: the first that is not whole ends the walk.

struct part_walk {
  const unsigned char* at;
  std::size_t left;
  std::size_t depth;  // records and containers that may still open inside a part
  std::size_t size = 0;
  measured problem{};

  // A part of type P, then parts that take at least `least_after` bytes: a part cut short
  // needs those too.
  template <typename P>
  bool add(std::size_t least_after = 0) noexcept {
    return take(convention<P>::extent(at + size, left - size, depth), least_after);
  }
  bool take(const measured& m, std::size_t least_after = 0) noexcept {
    if (!m.whole()) {
      problem = m;
      if (m.what == fault::cut_short) {
        problem.size = saturating_add(saturating_add(size, m.size), least_after);
      }
      return false;
    }
    size += m.size;
    return true;
  }
  measured result() const noexcept { return problem.whole() ? whole(size) : problem; }
};

// A record or container at `at`, `depth` levels allowed: its parts may open `depth - 1` more.
inline measured too_deep() noexcept {
  return wrong(fault::too_deep, 0);
}

// Whether reading a fixed-size T calls a program's own `from` (morsel::written_as), which must
// see nothing but what was written as its surrogate: tags are then checked before each value
// is made, where otherwise a run of values is checked and made without a branch.
template <typename T>
constexpr bool calls_from() {
  if constexpr (requires { convention<T>::calls_from(); }) {
    return convention<T>::calls_from();
  } else {
    return false;
  }
}

// A fixed-size value whose bytes are all there, at `in`, into `value`: false when a tag is wrong
// (nothing is made then) or a `from` refuses.
template <typename T>
bool get_checked(const unsigned char*& in, T& value) noexcept {
  return convention<T>::tags_fit(in) && convention<T>::get(in, value);
}

// A fixed-size value whose bytes are all there: its tags, checked without building it. A wrong
// one is the read's to explain.
template <typename T>
measured fixed_tags(const unsigned char* at, std::size_t depth) noexcept {
  if (convention<T>::nesting() > depth) {
    return too_deep();
  }
  T value{};
  const unsigned char* cursor = at;
  return get_checked(cursor, value) ? whole(fixed_size<T>()) : wrong(fault::wrong_tag, 0);
}

// `word<T, U, ...>`: a standard container or wrapper described by its types' spellings.
template <typename... T, typename B>
void describe_generic(B& builder, std::string& out, std::string_view word) {
  out += word;
  out += '<';
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    ((out += I == 0 ? "" : ", ", builder.template spell<T>(out)), ...);
  }
  (std::index_sequence_for<T...>{});
  out += '>';
}

// ---- Refusals: types with no convention stop the compilation with the reason.

template <typename M>
constexpr void refuse() {
  if constexpr (std::is_pointer_v<M> || std::is_member_pointer_v<M>) {
    static_assert(dependent_false<M>,
                  "morsel: a pointer cannot be written or read: the format carries values, not "
                  "addresses; make the member the value itself, a std::string or a std::vector");
  } else if constexpr (std::is_same_v<M, short> || std::is_same_v<M, unsigned short>) {
    static_assert(dependent_false<M>,
                  "morsel: short and unsigned short have no item kind: use int or unsigned int "
                  "(32 bits), signed char or unsigned char (8 bits)");
  } else if constexpr (std::is_same_v<M, char> || std::is_same_v<M, wchar_t> ||
                       std::is_same_v<M, char8_t> || std::is_same_v<M, char16_t> ||
                       std::is_same_v<M, char32_t>) {
    static_assert(dependent_false<M>,
                  "morsel: a character type has no item kind: use unsigned char or signed char for "
                  "a byte, std::string for text");
  } else if constexpr (std::is_same_v<M, long long> || std::is_same_v<M, unsigned long long>) {
    static_assert(dependent_false<M>,
                  "morsel: long long has no item kind of its own: use long or unsigned long (64 "
                  "bits)");
  } else if constexpr (std::is_same_v<M, long double>) {
    static_assert(dependent_false<M>, "morsel: long double has no item kind: use double");
  } else if constexpr (std::is_reference_v<M> || std::is_const_v<M>) {
    static_assert(dependent_false<M>,
                  "morsel: a reference or const member cannot be read back: make it a plain "
                  "value (a std::pair<const K, V> is a map's entry: use std::pair<K, V>)");
  } else if constexpr (std::is_array_v<M>) {
    static_assert(dependent_false<M>,
                  "morsel: a C array cannot be written or read: make it a std::array");
  } else {
    static_assert(
        dependent_false<M>,
        "morsel: this type has no item kind and is not a record: use bool, an integer "
        "kind (unsigned char, signed char, unsigned int, int, unsigned long, long), float, "
        "double, std::string, Person, an enum of an integer kind, a std::chrono duration or "
        "time point, std::array, std::vector, std::deque, std::list, std::optional, std::map, "
        "std::unordered_map, std::set, std::unordered_set, std::pair, std::tuple, std::variant "
        "of these, an aggregate of these, a type with morsel_members, or specialize "
        "morsel::written_as for it");
  }
}

// A type with no convention: each use stops the compilation, once, with the reason, and gives
// the rest of the compilation nothing more to complain of.
template <typename T>
struct convention<T, shape::none> {
  static constexpr std::size_t min_size() {
    refuse<T>();
    return 1;
  }
  static constexpr std::size_t max_size() { return min_size(); }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }
  template <typename W>
  static void write(W& /*out*/, const T& /*value*/) {
    refuse<T>();
  }
  template <typename R, typename V>
  static void read(R& /*in*/, V& /*value*/) {
    refuse<T>();
  }
  static measured extent(const unsigned char* /*at*/, std::size_t /*left*/,
                         std::size_t /*depth*/) noexcept {
    refuse<T>();
    return {};
  }
  template <typename B>
  static void describe(B& /*builder*/, std::string& /*out*/) {
    refuse<T>();
  }
};

// A part type that a value is read into: refused at once when it cannot be.
// A type a value can be read into: not const, with a convention, and (for records and tuples)
// parts that can be read into. Refused, once, with the reason when it is not.
template <typename M>
constexpr bool readable_part() {
  if constexpr (std::is_const_v<M> || std::is_reference_v<M> || !writable<M>) {
    refuse<M>();
    return false;
  } else if constexpr (requires { convention<M>::readable(); }) {
    return convention<M>::readable();
  } else {
    return true;
  }
}

// ---- Paths: where a part is, for errors. Built as a failure leaves the parts it is in.

enum class step_kind : unsigned char {
  member,     // a member of a record, or an element of a tuple or pair: `index`, `name` if known
  element,    // an element of a vector, std::array or set: `index`
  entry_key,  // the key of a map's entry `index`
  value_at,   // the value of a map's entry `index`, whose key is spelled in `key` when printable
};

struct path_step {
  step_kind what;
  std::size_t index;
  std::string_view name;  // a member's name, of static storage
  std::string key;        // a map key as printed, or empty
};

// A part of a value failed to read or write. Carried out of nested parts, each adding its step
// (innermost first), and turned into the library's error by the read or write that began it, which
// names the value it read or wrote by its type ("byte 18: Event.message: ...").
struct part_failure {
  std::vector<path_step> path;  // innermost first
  std::size_t item_offset;      // reading: the offset of the part's item
  std::size_t stopped_at;       // reading: where reading stopped
  std::string what;             // the part's message, without its "byte N: " or "morsel::writer: "
  enum class error : unsigned char { decode, truncated, length, invalid } type;
  std::size_t wanted_end = 0;  // truncated: as truncated_error::wanted_end()
};

// "Frame.readings[1].status": the value's type spelled, then the path, outermost first.
std::string spell_path(std::string_view root, const std::vector<path_step>& path);

// `"host"`, for a key of printable ASCII (at most 64 bytes); empty otherwise.
std::string quoted_if_printable(std::string_view key);

// The writer's refusals, out of line: std::length_error, std::invalid_argument.
[[noreturn]] void throw_too_many(std::string_view container, std::size_t count);
[[noreturn]] void throw_valueless();

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTION_H
