// References to a record's members, as a flat row: each member's reference is a base of its own,
// found by its index in one step. A std::tuple of 64 references nests 64 classes deep, and each
// std::get walks them; binding a wide record through it cost more compile time than writing and
// reading its members. Needs C++20.
#ifndef MORSEL_DETAIL_MEMBER_REFS_H
#define MORSEL_DETAIL_MEMBER_REFS_H

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

namespace morsel::detail {

template <std::size_t I, typename T>
struct ref_leaf {
  constexpr explicit ref_leaf(T& to) noexcept : ref(to) {}
  T& ref;
};

template <typename Indices, typename... T>
struct ref_row;

template <std::size_t... I, typename... T>
struct ref_row<std::index_sequence<I...>, T...> : ref_leaf<I, T>... {
  constexpr explicit ref_row(T&... refs) noexcept : ref_leaf<I, T>(refs)... {}
};

template <typename... T>
using member_refs = ref_row<std::index_sequence_for<T...>, T...>;

// Like std::tie.
template <typename... T>
constexpr member_refs<T...> refs_of(T&... refs) noexcept {
  return member_refs<T...>(refs...);
}

template <typename T>
inline constexpr bool is_ref_row = false;
template <typename Indices, typename... T>
inline constexpr bool is_ref_row<ref_row<Indices, T...>> = true;

// The I-th reference of a row, or of a std::tuple or std::pair (what a type's own
// `morsel_members` returns, and the tuple conventions' values).
template <std::size_t I, typename T>
constexpr T& member_at(const ref_leaf<I, T>& leaf) noexcept {
  return leaf.ref;
}
template <std::size_t I, typename Tuple>
requires(!is_ref_row<std::remove_cvref_t<Tuple>>) constexpr decltype(auto)
    member_at(Tuple&& tuple) noexcept {
  return std::get<I>(tuple);  // as an lvalue: a tuple of references gives the reference
}

// Declared only: the type of the I-th reference, by the same one-step lookup.
template <std::size_t I, typename T>
T& leaf_type(const ref_leaf<I, T>& leaf);  // NOLINT(clang-diagnostic-undefined-internal)

}  // namespace morsel::detail

template <std::size_t... I, typename... T>
struct std::tuple_size<morsel::detail::ref_row<std::index_sequence<I...>, T...>>
    : std::integral_constant<std::size_t, sizeof...(T)> {};

template <std::size_t N, std::size_t... I, typename... T>
struct std::tuple_element<N, morsel::detail::ref_row<std::index_sequence<I...>, T...>> {
  using type = decltype(morsel::detail::leaf_type<N>(
      std::declval<const morsel::detail::ref_row<std::index_sequence<I...>, T...>&>()));
};

#endif  // MORSEL_DETAIL_MEMBER_REFS_H
