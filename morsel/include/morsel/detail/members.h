// How a record's members are found, and which member types the format carries. A record is a
// run of items, its members' in declaration order; it has no tag of its own. Needs C++20.
//
// A plain aggregate (public members, no base classes, no user constructors) needs nothing
// declared: its members are counted at compile time (up to 32) and bound by structured bindings.
// Any other type names its members once, with a function found by argument-dependent lookup that
// returns references to them, in the order they are written:
//
//   class Sample {
//     unsigned int id_ = 0;
//     std::string name_;
//     friend auto morsel_members(auto& self) { return std::tie(self.id_, self.name_); }
//   };
//
// (`auto&` serves the const object, when writing, and the mutable one, when reading; reading also
// needs the type to be default-constructible.) A declared function wins over the count, so an
// aggregate may declare one to choose its members. Such functions cost nothing at run time.
#ifndef MORSEL_DETAIL_MEMBERS_H
#define MORSEL_DETAIL_MEMBERS_H

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/aggregate_members.h>
#include <morsel/detail/layout.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel::detail {

template <typename T>
inline constexpr bool is_vector_of_kind =
    std::is_same_v<T, std::vector<unsigned char>> ||
    std::is_same_v<T, std::vector<unsigned long>> || std::is_same_v<T, std::vector<double>> ||
    std::is_same_v<T, std::vector<std::string>>;

// A type whose values are one item each: what writer::write takes as a value and reader::read
// returns. (std::string_view and the views are read as views into the reader's bytes.)
template <typename T>
concept item_value = scalar_kind<T> || std::is_same_v<T, bool> || std::is_same_v<T, std::string> ||
    std::is_same_v<T, std::string_view> || std::is_same_v<T, Person> || is_vector_of_kind<T> ||
    std::is_same_v<T, std::span<const unsigned char>> || std::is_same_v<T, u64_array_view> ||
    std::is_same_v<T, f64_array_view> || std::is_same_v<T, string_array_view>;

template <typename T>
concept described = requires(T& value) {
  morsel_members(value);
};

template <typename T>
inline constexpr bool is_std_array = false;
template <typename T, std::size_t N>
inline constexpr bool is_std_array<std::array<T, N>> = true;

template <typename T>
concept record =
    std::is_class_v<T> && !item_value<std::remove_const_t<T>> &&
    (described<T> || (std::is_aggregate_v<T> && !is_std_array<std::remove_const_t<T>>));

// Converts to any type: stands for one initializer when the members of an aggregate are counted.
// Never defined; only named in unevaluated requirements.
struct any_member {
  template <typename T>
  operator T() const;  // NOLINT(google-explicit-constructor)
};

template <typename T, std::size_t... I>
constexpr bool brace_initializable(std::index_sequence<I...> /*initializers*/) {
  return requires {
    T{(static_cast<void>(I), any_member{})...};
  };
}

// An aggregate takes as many initializers as it has members, and no more.
template <typename T, std::size_t N = kMaxAggregateMembers>
constexpr std::size_t aggregate_member_count() {
  if constexpr (N == 0 || brace_initializable<T>(std::make_index_sequence<N>{})) {
    return N;
  } else {
    return aggregate_member_count<T, N - 1>();
  }
}

// A tuple of references to the members of `value` (T may be const), in the order they are written.
template <record T>
constexpr auto members_of(T& value) {
  if constexpr (described<T>) {
    return morsel_members(value);
  } else {
    using plain = std::remove_const_t<T>;
    static_assert(!brace_initializable<plain>(std::make_index_sequence<kMaxAggregateMembers + 1>{}),
                  "morsel: an aggregate of more than 32 members is not counted: name its members "
                  "with morsel_members(auto& self) returning std::tie(...)");
    return aggregate_members<aggregate_member_count<plain>()>(value);
  }
}

template <typename T>
inline constexpr bool is_vector = false;
template <typename T, typename A>
inline constexpr bool is_vector<std::vector<T, A>> = true;

// Stops the compilation with the reason a type has no layout in the format. Reached only by types
// that are neither item values nor records.
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
  } else if constexpr (std::is_enum_v<M>) {
    static_assert(dependent_false<M>,
                  "morsel: an enum has no item kind: write its value as one of the integer kinds");
  } else if constexpr (std::is_reference_v<M> || std::is_const_v<M>) {
    static_assert(dependent_false<M>,
                  "morsel: a reference or const member cannot be read back: make it a plain value");
  } else if constexpr (is_vector<M>) {
    static_assert(
        dependent_false<M>,
        "morsel: a std::vector is an item only of unsigned char, unsigned long, double or "
        "std::string elements; a vector of anything else (records, vectors, ints) has no "
        "item kind");
  } else if constexpr (std::is_array_v<M> || is_std_array<M>) {
    static_assert(dependent_false<M>,
                  "morsel: an array has no item kind: use a std::vector of unsigned char, unsigned "
                  "long, double or std::string");
  } else {
    static_assert(
        dependent_false<M>,
        "morsel: this type has no item kind and is not a record: use bool, an integer "
        "kind (unsigned char, signed char, unsigned int, int, unsigned long, long), float, "
        "double, std::string, a std::vector of unsigned char, unsigned long, double or "
        "std::string, Person, an aggregate of these, or a type with morsel_members");
  }
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_MEMBERS_H
