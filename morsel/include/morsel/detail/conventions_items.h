// The conventions of the types whose values are one item (bool, the integer and float kinds,
// Person, strings, the views a reader hands out) and of the vectors and std::arrays that are an
// array item: up to 255 bytes or elements the item itself, past that its long form
// (long_form.h). Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_ITEMS_H
#define MORSEL_DETAIL_CONVENTIONS_ITEMS_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include <morsel/detail/convention.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/traits.h>
#include <morsel/item.h>
#include <morsel/kind.h>

namespace morsel::detail {

// ---- bool, the scalars, Person: one item of a fixed size.

template <typename T>
struct fixed_item {
  static constexpr kind item_kind = item_kind_of<T>();
  static constexpr std::size_t min_size() { return info(item_kind).fixed_size; }
  static constexpr std::size_t max_size() { return min_size(); }
  static constexpr std::size_t fixed_size() { return min_size(); }
  static constexpr std::size_t nesting() { return 0; }

  template <typename W>
  static void write(W& out, const T& value) {
    convention<T>::put(out.claim(fixed_size()), value);
  }
  template <typename R>
  static void read(R& in, T& value) {
    value = static_cast<T>(in.template take<item_kind>());
  }
  static measured extent(const unsigned char* at, std::size_t left,
                         std::size_t /*depth*/) noexcept {
    return measure<item_kind>(at, left);
  }
  template <typename B>
  static void describe(B& /*builder*/, std::string& out) {
    if constexpr (scalar_kind<T>) {
      out += scalar_word<T>;
    } else {
      out += info(item_kind).word;
    }
  }
  static bool get(const unsigned char*& in, T& value) noexcept {
    const bool tags_fit = fixed_tags_fit<item_kind>(in);
    if constexpr (scalar_kind<T>) {
      value = scalar_payload<T>(in);
    } else {
      value = value_at<item_kind>(in, fixed_size());
    }
    in += fixed_size();
    return tags_fit;
  }
};

template <typename T>
struct convention<T, shape::boolean> : fixed_item<T> {
  static unsigned char* put(unsigned char* out, bool value) noexcept {
    *out = bool_tag(value);
    return out + 1;
  }
};

template <typename T>
struct convention<T, shape::scalar> : fixed_item<T> {
  static unsigned char* put(unsigned char* out, T value) noexcept { return put_scalar(out, value); }
};

template <typename T>
struct convention<T, shape::person> : fixed_item<T> {
  static unsigned char* put(unsigned char* out, const Person& value) noexcept {
    return put_person(out, value);
  }
};

// ---- Strings: a string item, or past 255 bytes the long form.

inline bool starts_long(const unsigned char* at, std::size_t left) noexcept {
  return left != 0 && at[0] == kLongTag;
}

template <typename T>
struct convention<T, shape::string> {
  static constexpr std::size_t min_size() { return kStringHeaderSize; }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& /*builder*/, std::string& out) {
    out += info(kind::string).word;
  }
  template <typename W>
  static void write(W& out, const std::string& value) {
    out.write(std::string_view(value));
  }
  template <typename R>
  static void read(R& in, std::string& value) {
    if (const std::size_t size = in.template whole_size<kind::string>()) [[likely]] {
      value.assign(string_bytes(in.here(), size - kStringHeaderSize));
      in.advance(size);
    } else if (starts_long(in.here(), in.left())) {
      in.take_long_string(value);
    } else {
      in.template reject_item<kind::string>();
    }
  }
  static measured extent(const unsigned char* at, std::size_t left,
                         std::size_t /*depth*/) noexcept {
    return starts_long(at, left) ? measure_long<parted::string>(at, left)
                                 : measure_string(at, left);
  }
};

// A view reads a string item in place; a long string's bytes are in parts, which it refuses.
template <typename T>
struct convention<T, shape::text_view> {
  static constexpr std::size_t min_size() { return kStringHeaderSize; }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& /*builder*/, std::string& out) {
    out += info(kind::string).word;
  }
  template <typename W>
  static void write(W& out, std::string_view value) {
    out.write(value);
  }
  template <typename R>
  static void read(R& in, std::string_view& value) {
    if (const std::size_t size = in.template whole_size<kind::string>()) [[likely]] {
      value = string_bytes(in.here(), size - kStringHeaderSize);
      in.advance(size);
    } else if (starts_long(in.here(), in.left())) {
      in.refuse_long_view("string", "a std::string");
    } else {
      in.template reject_item<kind::string>();
    }
  }
  static measured extent(const unsigned char* at, std::size_t left,
                         std::size_t /*depth*/) noexcept {
    return starts_long(at, left) ? wrong(fault::wrong_tag, 0) : measure_string(at, left);
  }
};

// std::span<const unsigned char> and the array views: the array item, in place.
template <typename T>
struct convention<T, shape::item_view> {
  static constexpr kind view_kind = item_kind_of<T>();
  static constexpr std::size_t min_size() { return info(view_kind).header_size; }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    out += "vector<";
    if constexpr (view_kind == kind::u8_array) {
      builder.template spell<unsigned char>(out);
    } else if constexpr (view_kind == kind::u64_array) {
      builder.template spell<unsigned long>(out);
    } else if constexpr (view_kind == kind::f64_array) {
      builder.template spell<double>(out);
    } else {
      builder.template spell<std::string>(out);
    }
    out += '>';
  }
  template <typename W>
  static void write(W& out, const T& value) {
    out.write(value);
  }
  template <typename R>
  static void read(R& in, T& value) {
    if (const std::size_t size = in.template whole_size<view_kind>()) [[likely]] {
      value = value_at<view_kind>(in.here(), size);
      in.advance(size);
    } else if (starts_long(in.here(), in.left())) {
      in.refuse_long_view(kind_name(view_kind), view_kind == kind::u8_array
                                                    ? "a std::vector<unsigned char>"
                                                    : "a std::vector");
    } else {
      in.template reject_item<view_kind>();
    }
  }
  static measured extent(const unsigned char* at, std::size_t left,
                         std::size_t /*depth*/) noexcept {
    return measure<view_kind>(at, left);
  }
};

// An item of any kind, as reader::next() reads it.
template <typename T>
struct convention<T, shape::any_item> {
  static constexpr std::size_t min_size() { return 1; }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& /*builder*/, std::string& out) {
    out += "item";
  }
  template <typename W>
  static void write(W& out, const item& value) {
    out.write(value);
  }
  template <typename R>
  static void read(R& in, item& value) {
    value = in.next();
  }
  // As a stream reads it: bytes may follow.
  static measured extent(const unsigned char* at, std::size_t left,
                         std::size_t /*depth*/) noexcept {
    const classified found = classify(at, left, framing::partial);
    return found.problem.whole() ? measure(found.k, at, left) : found.problem;
  }
};

// ---- Vectors and std::arrays of unsigned char, unsigned long, double and std::string: the array
// item, or past 255 bytes or elements its long form. A string array's long form is also taken
// when any element is longer than 255 bytes: the u32 count, then each element as a std::string.

template <typename E>
struct array_of {
  static constexpr kind item_kind = array_kind_of<E>();
  static constexpr std::size_t header_size = info(item_kind).header_size;

  // The long form of `count` elements that might have been an array item: refused as a second
  // encoding when it would have been one. Only a string array needs to look at its elements.
  static bool needed_long(std::size_t count, bool element_long) noexcept {
    return !fits_short(count) || element_long;
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    if (!starts_long(at, left)) {
      return measure<item_kind>(at, left);
    }
    if constexpr (std::is_same_v<E, unsigned char>) {
      return measure_long<parted::bytes>(at, left);
    } else if constexpr (is_text<E>) {
      return measure_long_strings(at, left, depth);
    } else {
      return measure_long_wide<item_kind>(at, left);
    }
  }

  static measured measure_long_strings(const unsigned char* at, std::size_t left,
                                       std::size_t depth) noexcept {
    part_walk walk{at, left, depth};
    if (!walk.add<unsigned int>()) {
      return walk.result();
    }
    const std::size_t count = long_length(at);
    bool element_long = false;
    for (std::size_t i = 0; i < count; ++i) {
      element_long |= starts_long(at + walk.size, left - walk.size);
      if (!walk.add<E>()) {
        measured m = walk.result();
        if (m.what == fault::cut_short) {  // and a header at least for each string after it
          m.size = saturating_add(m.size, saturating_mul(kStringHeaderSize, count - i - 1));
        }
        return m;
      }
    }
    return needed_long(count, element_long) ? walk.result() : wrong(fault::fits_short, 1);
  }

  // Reads the elements of either form into `values` (a vector, or a std::array whose count
  // `expected` is): `resize(n)` makes room for n elements.
  // The count of the array at `at`, of either form, once its bytes are there; and whether it
  // differs from `expected`. A std::array refuses another count at once, before its elements.
  static bool count_differs(const unsigned char* at, std::size_t left, std::size_t expected,
                            std::size_t& count) noexcept {
    if (expected == kUnbounded) {
      return false;
    }
    if (starts_long(at, left)) {
      count = left >= kLengthItemSize ? long_length(at) : expected;
    } else {
      count = left >= kArrayHeaderSize && at[0] == info(item_kind).tag ? at[1] : expected;
    }
    return count != expected;
  }

  template <typename R, typename Values, typename Resize>
  static void read(R& in, Values& values, Resize resize, std::size_t expected) {
    std::size_t count = 0;
    if (count_differs(in.here(), in.left(), expected, count)) {
      in.refuse_count(count, expected);
    }
    if (const std::size_t size = in.template whole_size<item_kind>()) [[likely]] {
      const auto view = value_at<item_kind>(in.here(), size);
      resize(view.size());
      if constexpr (std::is_same_v<E, unsigned char>) {
        std::copy(view.begin(), view.end(), values.begin());
      } else {
        std::size_t i = 0;
        for (const auto element : view) {
          if constexpr (std::is_same_v<E, std::string>) {
            values[i++].assign(element);  // into the storage the string has
          } else {                        // a number, or a string_view of the bytes
            values[i++] = element;
          }
        }
      }
      in.advance(size);
    } else if (!starts_long(in.here(), in.left())) {
      in.template reject_item<item_kind>();
    } else {
      read_long(in, values, resize);
    }
  }

  template <typename R, typename Values, typename Resize>
  static void read_long(R& in, Values& values, Resize resize) {
    if constexpr (is_text<E>) {
      read_long_strings(in, values, resize);
    } else if constexpr (std::is_same_v<E, unsigned char>) {
      read_long_bytes(in, values, resize);
    } else {
      const measured m = measure_long_wide<item_kind>(in.here(), in.left());
      if (!m.whole()) {
        in.reject_long(m, kind_name(item_kind));
      }
      const std::size_t n = long_length(in.here());
      resize(n);
      const unsigned char* element = in.here() + kLengthItemSize;
      for (std::size_t i = 0; i < n; ++i, element += kWideItemSize) {
        values[i] = scalar_payload<E>(element);
      }
      in.advance(m.size);
    }
  }

  // Checked and copied in one pass, appended to a vector (not first zeroed); a length the bytes
  // left cannot hold takes no memory, and the measure says what is wrong only once something is.
  template <typename R, typename Values, typename Resize>
  static void read_long_bytes(R& in, Values& values, Resize resize) {
    const std::size_t n = in.left() >= kLengthItemSize ? long_length(in.here()) : 0;
    const std::size_t size = long_size<parted::bytes>(n);
    const auto report_fault = [&in] {
      in.reject_long(measure_long<parted::bytes>(in.here(), in.left()), "byte vector");
    };
    if (fits_short(n) || size > in.left()) [[unlikely]] {
      report_fault();
    }
    bool joined = false;
    if constexpr (is_vector<Values>) {
      values.clear();
      values.reserve(n);
      joined = join_parts<parted::bytes>(in.here(), n,
                                         [&values](const unsigned char* part, std::size_t bytes) {
                                           values.insert(values.end(), part, part + bytes);
                                         });
    } else {
      resize(n);
      unsigned char* out = values.data();
      joined = join_parts<parted::bytes>(in.here(), n,
                                         [&out](const unsigned char* part, std::size_t bytes) {
                                           out = std::copy(part, part + bytes, out);
                                         });
    }
    if (!joined) [[unlikely]] {
      report_fault();
    }
    in.advance(size);
  }

  template <typename R, typename Values, typename Resize>
  static void read_long_strings(R& in, Values& values, Resize resize) {
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    bool element_long = false;
    in.counted(count, count_offset, kStringHeaderSize, [&] {
      resize(std::min(count, in.left() / kStringHeaderSize));  // no more than the bytes justify
      std::size_t i = 0;
      try {
        for (; i < count; ++i) {
          if (i == values.size()) {
            resize(i + 1);
          }
          element_long |= starts_long(in.here(), in.left());
          convention<E>::read(in, values[i]);
        }
      } catch (...) {
        in.fail_at({step_kind::element, i, {}, {}});
      }
    });
    if (!needed_long(count, element_long)) {
      in.refuse_fits_short(count_offset, count);
    }
  }
};

template <typename V>
struct convention<V, shape::item_vector> {
  using E = typename V::value_type;
  static constexpr std::size_t min_size() { return array_of<E>::header_size; }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    out += "vector<";
    builder.template spell<E>(out);
    out += '>';
  }
  template <typename W>
  static void write(W& out, const V& values) {
    if constexpr (std::is_same_v<E, std::string_view>) {
      out.put_strings(std::span<const E>(values));
    } else {
      out.write(std::span<const E>(values));
    }
  }
  template <typename R>
  static void read(R& in, V& values) {
    array_of<E>::read(
        in, values, [&values](std::size_t n) { values.resize(n); }, kUnbounded);
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return array_of<E>::extent(at, left, depth);
  }
};

// Exactly N elements, in the bytes of the vector of the same elements.
template <typename A>
struct convention<A, shape::item_array> {
  using E = typename A::value_type;
  static constexpr std::size_t N = std::tuple_size_v<A>;
  static constexpr bool wide = std::is_same_v<E, unsigned long> || std::is_same_v<E, double>;

  static constexpr std::size_t min_size() {
    if constexpr (std::is_same_v<E, unsigned char>) {
      return fits_short(N) ? byte_array_size(N) : long_size<parted::bytes>(N);
    } else if constexpr (wide) {
      return fits_short(N) ? wide_array_size(N) : long_wide_size(N);
    } else {
      return kArrayHeaderSize + kStringHeaderSize * N;
    }
  }
  static constexpr std::size_t max_size() {
    if constexpr (is_text<E>) {
      return kUnbounded;
    } else {
      return min_size();
    }
  }
  // The wide arrays that are an array item are written and read in one piece.
  static constexpr std::size_t fixed_size() { return wide && fits_short(N) ? min_size() : 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    out += "array<";
    builder.template spell<E>(out);
    out += ", " + std::to_string(N) + '>';
  }
  template <typename W>
  static void write(W& out, const A& values) {
    if constexpr (std::is_same_v<E, std::string_view>) {
      out.put_strings(std::span<const E>(values));
    } else {
      out.write(std::span<const E>(values));
    }
  }
  template <typename R>
  static void read(R& in, A& values) {
    array_of<E>::read(
        in, values, [](std::size_t /*n*/) {}, N);
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    std::size_t count = 0;
    if (array_of<E>::count_differs(at, left, N, count)) {
      return wrong(fault::count_mismatch, 1);
    }
    return array_of<E>::extent(at, left, depth);
  }
  static unsigned char* put(unsigned char* out, const A& values) noexcept
      requires(fixed_size() != 0) {
    return put_wide_array(out, std::span<const E>(values));
  }
  static bool get(const unsigned char*& in, A& values) noexcept requires(fixed_size() != 0) {
    const bool tags_fit =
        in[1] == N && measure_wide_array<array_of<E>::item_kind>(in, fixed_size()).whole();
    for (std::size_t i = 0; i < N; ++i) {
      values[i] = scalar_payload<E>(in + kArrayHeaderSize + i * kWideItemSize);
    }
    in += fixed_size();
    return tags_fit;
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_ITEMS_H
