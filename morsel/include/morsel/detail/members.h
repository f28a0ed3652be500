// How a record's members are found. A record is a run of items, its members' in declaration
// order; it has no tag of its own. Needs C++20.
//
// A plain aggregate (public members, no base classes, no user constructors) needs nothing
// declared: its members are counted at compile time (up to 64) and bound by structured bindings.
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
//
// What each member type is written as is in morsel/detail/conventions.h.
#ifndef MORSEL_DETAIL_MEMBERS_H
#define MORSEL_DETAIL_MEMBERS_H

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/aggregate_members.h>
#include <morsel/detail/layout.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel::detail {

// ---- The standard types the format has conventions for.

template <typename T>
inline constexpr bool is_std_array = false;
template <typename T, std::size_t N>
inline constexpr bool is_std_array<std::array<T, N>> = true;

template <typename T>
inline constexpr bool is_vector = false;
template <typename T, typename A>
inline constexpr bool is_vector<std::vector<T, A>> = true;

template <typename T>
inline constexpr bool is_optional = false;
template <typename T>
inline constexpr bool is_optional<std::optional<T>> = true;

template <typename T>
inline constexpr bool is_variant = false;
template <typename... T>
inline constexpr bool is_variant<std::variant<T...>> = true;

template <typename T>
inline constexpr bool is_tuple = false;
template <typename... T>
inline constexpr bool is_tuple<std::tuple<T...>> = true;
template <typename A, typename B>
inline constexpr bool is_tuple<std::pair<A, B>> = true;

template <typename T>
inline constexpr bool is_map = false;
template <typename K, typename V, typename C, typename A>
inline constexpr bool is_map<std::map<K, V, C, A>> = true;
template <typename K, typename V, typename H, typename E, typename A>
inline constexpr bool is_map<std::unordered_map<K, V, H, E, A>> = true;

// The element types whose vectors and std::arrays are array items.
template <typename T>
inline constexpr bool is_array_element =
    std::is_same_v<T, unsigned char> || std::is_same_v<T, unsigned long> ||
    std::is_same_v<T, double> || std::is_same_v<T, std::string>;

template <typename T>
inline constexpr bool is_vector_of_kind = false;
template <typename T>
inline constexpr bool is_vector_of_kind<std::vector<T>> = is_array_element<T>;

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

// The standard types with a convention of their own. A hidden friend `morsel_members(auto&)`
// of an element type is found for them too, by argument-dependent lookup: it must not make them
// records.
template <typename T>
inline constexpr bool is_standard_container =
    is_std_array<T> || is_vector<T> || is_optional<T> || is_variant<T> || is_tuple<T> || is_map<T>;

template <typename T>
concept record =
    std::is_class_v<T> && !item_value<std::remove_const_t<T>> &&
    !is_standard_container<std::remove_const_t<T>> && (described<T> || std::is_aggregate_v<T>);

// ---- Counting an aggregate's members.

// Converts to any member type: stands for one initializer when the members of an aggregate of
// type Owner are counted. Never defined; only named in unevaluated requirements. Not to Owner
// itself (one initializer would then be a copy), and not to std::optional or a tuple of one
// element, whose converting constructors from any one value would make the conversion ambiguous
// and the count wrong: they are initialized through those constructors instead.
template <typename T>
inline constexpr bool is_single_tuple = false;
template <typename T>
inline constexpr bool is_single_tuple<std::tuple<T>> = true;

// NOLINTBEGIN(clang-diagnostic-undefined-internal): declared only, to be named in requirements
template <typename Owner>
struct any_member {
  template <typename T>
  requires(!std::is_same_v<T, Owner> && !is_optional<T> && !is_single_tuple<T>) operator T()
      const;  // NOLINT(google-explicit-constructor)
};
// NOLINTEND(clang-diagnostic-undefined-internal)

template <typename T, std::size_t... I>
constexpr bool brace_initializable(std::index_sequence<I...> /*initializers*/) {
  return requires {
    T{(static_cast<void>(I), any_member<T>{})...};
  };
}

// An aggregate takes as many initializers as it has members, and no more; but a C array member
// takes one for each of its elements (brace elision).
template <typename T, std::size_t N = kMaxAggregateMembers>
constexpr std::size_t aggregate_initializer_count() {
  if constexpr (N == 0 || brace_initializable<T>(std::make_index_sequence<N>{})) {
    return N;
  } else {
    return aggregate_initializer_count<T, N - 1>();
  }
}

// Parenthesized initialization elides no braces: it stops at a C array member, which no single
// initializer can initialize. Where the compiler lacks it, a C array member is left to fail at
// the structured binding.
template <typename T, std::size_t... I>
constexpr bool paren_initializable(std::index_sequence<I...> /*initializers*/) {
#if defined(__cpp_aggregate_paren_init) && __cpp_aggregate_paren_init >= 201902L
  return requires {
    T((static_cast<void>(I), any_member<T>{})...);
  };
#else
  return true;
#endif
}

// Converts only to a base class of T: an aggregate's first initializers are its bases'.
template <typename T>
struct any_base {
  // NOLINTBEGIN(clang-diagnostic-undefined-internal): declared only, as any_member's
  template <typename B>
  requires(std::is_base_of_v<B, T> && !std::is_same_v<B, T>) operator B()
      const;  // NOLINT(google-explicit-constructor)
  // NOLINTEND(clang-diagnostic-undefined-internal)
};

template <typename T>
inline constexpr bool has_base = requires {
  T{any_base<T>{}};
};

// A tuple of references to the members of `value` (T may be const), in the order they are written.
template <record T>
constexpr auto members_of(T& value) {
  if constexpr (described<T>) {
    return morsel_members(value);
  } else {
    using plain = std::remove_const_t<T>;
    constexpr std::size_t count = aggregate_initializer_count<plain>();
    if constexpr (has_base<plain>) {
      static_assert(dependent_false<plain>,
                    "morsel: an aggregate with a base class is not counted: name its members, the "
                    "base's included, with morsel_members(auto& self) returning std::tie(...)");
      return std::tuple<>();
    } else if constexpr (!paren_initializable<plain>(std::make_index_sequence<count>{})) {
      static_assert(dependent_false<plain>,
                    "morsel: a C array member cannot be written or read: make it a std::array");
      return std::tuple<>();
    } else if constexpr (brace_initializable<plain>(
                             std::make_index_sequence<kMaxAggregateMembers + 1>{})) {
      static_assert(dependent_false<plain>,
                    "morsel: an aggregate of more than 64 members is not counted: name its "
                    "members with morsel_members(auto& self) returning std::tie(...), or group "
                    "them in nested records");
      return std::tuple<>();
    } else {
      return aggregate_members<count>(value);
    }
  }
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_MEMBERS_H
