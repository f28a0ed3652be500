// What the members real programs have are written as, and read back from: the one place that
// morsel::writer and morsel::reader share for enums, std::array, std::optional, std::vector,
// std::map, std::unordered_map, std::pair, std::tuple and std::variant. The format gains no tag:
// each is a convention over its items, as a record is a run of its members' items.
//
//   enum E                      the item of its value as the underlying type (an integer kind)
//   std::array<T, N>            T one of unsigned char, unsigned long, double, std::string: the
//                               array item, the bytes of the std::vector of the same elements;
//                               any other T: the N elements' items, nothing before them
//   std::optional<T>            A1 when empty; A0 and T's items when it holds a value
//   std::vector<T>              (T not one of the four above) a u32 item holding the count, then
//                               each element's items
//   std::map, std::unordered_map   a u32 count, then each entry's key items and value items
//   std::pair, std::tuple       the elements' items in order, nothing before them
//   std::variant<T...>          a u8 item holding the alternative's index, then its items
//
// Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_H
#define MORSEL_DETAIL_CONVENTIONS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/fixed_values.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/members.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel::detail {

// The types that are written by a convention of this header.
template <typename T>
concept composite = std::is_enum_v<T> || is_std_array<T> || is_optional<T> ||
                    (is_vector<T> && !is_vector_of_kind<T>) ||
                    is_map<T> || is_tuple<T> || (is_variant<T> && !std::is_same_v<T, item>);

// Anything writer::write takes and reader::read gives back as a value.
template <typename T>
concept writable = item_value<T> || record<T> || composite<T>;

// Stops the compilation with the reason a type has no layout in the format. Reached only by types
// that are not `writable`.
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
                  "morsel: a reference or const member cannot be read back: make it a plain value");
  } else if constexpr (std::is_array_v<M>) {
    static_assert(dependent_false<M>,
                  "morsel: a C array cannot be written or read: make it a std::array");
  } else {
    static_assert(
        dependent_false<M>,
        "morsel: this type has no item kind and is not a record: use bool, an integer "
        "kind (unsigned char, signed char, unsigned int, int, unsigned long, long), float, "
        "double, std::string, Person, an enum of an integer kind, std::array, std::vector, "
        "std::optional, std::map, std::unordered_map, std::pair, std::tuple, std::variant of "
        "these, an aggregate of these, or a type with morsel_members");
  }
}

// The underlying types an enum may have: the integer kinds, and bool.
template <typename U>
inline constexpr bool is_enum_kind =
    std::is_same_v<U, bool> || std::is_same_v<U, unsigned char> || std::is_same_v<U, signed char> ||
    std::is_same_v<U, unsigned int> || std::is_same_v<U, int> || std::is_same_v<U, unsigned long> ||
    std::is_same_v<U, long>;

template <typename E, typename U = std::underlying_type_t<E>>
constexpr void check_enum() {
  static_assert(is_enum_kind<U>,
                "morsel: an enum is written as its underlying type, and this one's is no item kind "
                "(it is U in the instantiation above): declare the enum with one, such as "
                "enum class E : unsigned char, or int");
}

// ---- The least number of bytes a value of type T is written in: a count the bytes left cannot
// hold is refused before any memory is taken for it.

template <typename T>
constexpr std::size_t min_size();

template <typename Tuple, std::size_t... I>
constexpr std::size_t sum_of_min_sizes(std::index_sequence<I...> /*elements*/) {
  return (std::size_t{0} + ... + min_size<std::remove_cvref_t<std::tuple_element_t<I, Tuple>>>());
}

template <typename Variant, std::size_t... I>
constexpr std::size_t least_min_size(std::index_sequence<I...> /*alternatives*/) {
  return std::min({min_size<std::variant_alternative_t<I, Variant>>()...});
}

template <typename T>
constexpr std::size_t min_size() {
  if constexpr (std::is_same_v<T, bool>) {
    return info(kind::boolean).fixed_size;
  } else if constexpr (scalar_kind<T>) {
    return scalar_size<T>;
  } else if constexpr (std::is_same_v<T, Person>) {
    return kPersonSize;
  } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>) {
    return kStringHeaderSize;
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>> ||
                       std::is_same_v<T, std::span<const unsigned char>>) {
    return kByteArrayHeaderSize;
  } else if constexpr (item_value<T>) {
    return kArrayHeaderSize;
  } else if constexpr (std::is_enum_v<T>) {
    return min_size<std::underlying_type_t<T>>();
  } else if constexpr (is_std_array<T>) {
    using E = typename T::value_type;
    constexpr std::size_t n = std::tuple_size_v<T>;
    if constexpr (std::is_same_v<E, unsigned char>) {
      return byte_array_size(n);
    } else if constexpr (std::is_same_v<E, std::string>) {
      return kArrayHeaderSize + kStringHeaderSize * n;
    } else if constexpr (is_array_element<E>) {
      return wide_array_size(n);
    } else {
      return n * min_size<E>();
    }
  } else if constexpr (is_optional<T>) {
    return min_size<bool>();  // empty
  } else if constexpr (is_vector<T> || is_map<T>) {
    return scalar_size<unsigned int>;
  } else if constexpr (is_tuple<T>) {
    return sum_of_min_sizes<T>(std::make_index_sequence<std::tuple_size_v<T>>{});
  } else if constexpr (is_variant<T>) {
    return scalar_size<unsigned char> +
           least_min_size<T>(std::make_index_sequence<std::variant_size_v<T>>{});
  } else if constexpr (record<T>) {
    using members = decltype(members_of(std::declval<T&>()));
    return sum_of_min_sizes<members>(std::make_index_sequence<std::tuple_size_v<members>>{});
  } else {
    return 1;  // no layout: refused where it is written or read
  }
}

// What a container is called in messages: "member 3[2] of the std::vector at byte 1".
template <typename T>
constexpr std::string_view container_name() {
  if constexpr (is_std_array<T>) {
    return "std::array";
  } else if constexpr (is_vector<T>) {
    return "std::vector";
  } else if constexpr (is_map<T>) {
    return "map";
  } else if constexpr (is_tuple<T>) {
    return "tuple";
  } else if constexpr (is_optional<T>) {
    return "std::optional";
  } else if constexpr (is_variant<T>) {
    return "std::variant";
  } else {
    return "record";
  }
}

// The largest count a u32 count item holds.
inline constexpr std::size_t kMaxListCount = std::numeric_limits<std::uint32_t>::max();

[[noreturn]] void throw_too_many(std::string_view container, std::size_t count);
[[noreturn]] void throw_valueless();

// ---- The conventions. `write(out, value)` appends the value's items through the writer's
// `write_part`; `read(in)` reads them back through the reader's `read_part` and `read_element`,
// which add the element's position to any error from inside it.

template <typename T>
struct convention;

template <typename E>
requires std::is_enum_v<E>
struct convention<E> {
  using U = std::underlying_type_t<E>;

  template <typename W>
  static void write(W& out, E value) {
    check_enum<E>();
    if constexpr (is_enum_kind<U>) {
      out.write(static_cast<U>(value));
    }
  }
  template <typename R>
  static E read(R& in) {
    check_enum<E>();
    if constexpr (is_enum_kind<U>) {
      return static_cast<E>(in.template read<U>());
    } else {
      return E{};
    }
  }
};

// A std::array of an array item's element type: that item, with exactly N elements.
template <typename T, std::size_t N>
requires is_array_element<T>
struct convention<std::array<T, N>> {
  static_assert(N <= kMaxCount,
                "morsel: a std::array of unsigned char, unsigned long, double or std::string is "
                "an array item, whose count byte holds at most 255 elements");

  template <typename W>
  static void write(W& out, const std::array<T, N>& values) {
    out.write(std::span<const T>(values));
  }
  template <typename R>
  static std::array<T, N> read(R& in) {
    return in.template read_fixed_array<T, N>();
  }
};

template <typename T, std::size_t N>
requires(!is_array_element<T>) struct convention<std::array<T, N>> {
  template <typename W>
  static void write(W& out, const std::array<T, N>& values) {
    for (const T& value : values) {
      out.write_part(value);
    }
  }
  template <typename R>
  static std::array<T, N> read(R& in) {
    std::array<T, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
      values[i] = in.template read_element<T>(i);
    }
    return values;
  }
};

template <typename T>
struct convention<std::optional<T>> {
  template <typename W>
  static void write(W& out, const std::optional<T>& value) {
    out.write(value.has_value());
    if (value) {
      out.write_part(*value);
    }
  }
  template <typename R>
  static std::optional<T> read(R& in) {
    if (!in.template read<bool>()) {
      return std::nullopt;
    }
    return in.template read_part<T>();
  }
};

template <typename T, typename A>
requires(!is_array_element<T>) struct convention<std::vector<T, A>> {
  static_assert(min_size<T>() > 0,
                "morsel: a std::vector of a type that writes no bytes (an empty record, "
                "std::tuple<>) could not be read back: how many there were is all it says");

  template <typename W>
  static void write(W& out, const std::vector<T, A>& values) {
    if (values.size() > kMaxListCount) [[unlikely]] {
      throw_too_many("std::vector", values.size());
    }
    const auto count = static_cast<unsigned int>(values.size());
    if constexpr (fixed_value<T>) {  // room for all of it at once
      unsigned char* at =
          put_scalar(out.claim(scalar_size<unsigned int> + values.size() * fixed_size<T>()), count);
      for (const auto& value : values) {
        at = put_fixed(at, static_cast<const T&>(value));
      }
    } else {
      out.write(count);
      for (const auto& value : values) {
        out.write_part(static_cast<const T&>(value));
      }
    }
  }
  template <typename R>
  static std::vector<T, A> read(R& in) {
    const std::size_t count = in.read_count(min_size<T>());
    std::vector<T, A> values;
    values.reserve(count);
    if constexpr (fixed_value<T>) {
      if (in.read_fixed_elements(values, count)) [[likely]] {
        return values;
      }
      values.clear();  // a tag is wrong: the element-by-element read says which
    }
    for (std::size_t i = 0; i < count; ++i) {
      values.push_back(in.template read_element<T>(i));
    }
    return values;
  }
};

template <typename M>
requires is_map<M>
struct convention<M> {
  using K = typename M::key_type;
  using V = typename M::mapped_type;
  static_assert(min_size<K>() + min_size<V>() > 0,
                "morsel: a map of a key and value that write no bytes could not be read back");

  template <typename W>
  static void write(W& out, const M& entries) {
    if (entries.size() > kMaxListCount) [[unlikely]] {
      throw_too_many("map", entries.size());
    }
    out.write(static_cast<unsigned int>(entries.size()));
    for (const auto& [key, value] : entries) {
      out.write_part(key);
      out.write_part(value);
    }
  }
  template <typename R>
  static M read(R& in) {
    const std::size_t count = in.read_count(min_size<K>() + min_size<V>());
    M entries;
    if constexpr (requires { entries.reserve(count); }) {
      entries.reserve(count);
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t key_offset = in.offset();
      auto entry = in.template read_element<std::pair<K, V>>(i);
      if (!entries.try_emplace(std::move(entry.first), std::move(entry.second)).second) {
        in.fail_element(i, key_offset, "its key repeats an earlier entry's");
      }
    }
    return entries;
  }
};

template <typename T>
requires is_tuple<T>
struct convention<T> {
  template <typename W>
  static void write(W& out, const T& value) {
    std::apply([&out](const auto&... element) { (out.write_part(element), ...); }, value);
  }
  template <typename R>
  static T read(R& in) {
    return read_elements(in, std::make_index_sequence<std::tuple_size_v<T>>{});
  }

 private:
  // Braced, so that the elements are read in order.
  template <typename R, std::size_t... I>
  static T read_elements(R& in, std::index_sequence<I...> /*elements*/) {
    return T{in.template read_element<std::tuple_element_t<I, T>>(I)...};
  }
};

template <typename... T>
struct convention<std::variant<T...>> {
  static_assert(sizeof...(T) <= kMaxCount + 1,
                "morsel: a std::variant's index is a u8 item: 256 alternatives at most");
  using variant = std::variant<T...>;

  template <typename W>
  static void write(W& out, const variant& value) {
    if (value.valueless_by_exception()) [[unlikely]] {
      throw_valueless();
    }
    out.write(static_cast<unsigned char>(value.index()));
    std::visit([&out](const auto& alternative) { out.write_part(alternative); }, value);
  }
  template <typename R>
  static variant read(R& in) {
    const std::size_t index = in.read_index(sizeof...(T));
    return alternatives<R>(std::index_sequence_for<T...>{})[index](in);
  }

 private:
  template <typename R, std::size_t I>
  static variant read_alternative(R& in) {
    return variant(std::in_place_index<I>,
                   in.template read_part<std::variant_alternative_t<I, variant>>());
  }

  // One reading function per alternative, picked by the index read.
  template <typename R, std::size_t... I>
  static constexpr std::array<variant (*)(R&), sizeof...(T)> alternatives(
      std::index_sequence<I...> /*alternatives*/) {
    return {&read_alternative<R, I>...};
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_H
