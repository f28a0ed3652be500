// Values whose items always take the same number of bytes (scalars, enums, Person, and records,
// tuples and std::arrays of such values): the writer makes room for all of a value's items, or
// all of a vector's elements, with one check and then stores them; the reader checks the room
// once and then only the tags. The bytes are those of the conventions of conventions.h, item by
// item; a value whose tags are wrong is read again the slow way, which says what is wrong.
// Needs C++20.
#ifndef MORSEL_DETAIL_FIXED_VALUES_H
#define MORSEL_DETAIL_FIXED_VALUES_H

#include <array>
#include <cstddef>
#include <span>
#include <tuple>
#include <type_traits>
#include <utility>

#include <morsel/detail/layout.h>
#include <morsel/detail/members.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

namespace morsel::detail {

template <typename T>
constexpr std::size_t fixed_size();

template <typename Tuple, std::size_t... I>
constexpr std::size_t fixed_sum(std::index_sequence<I...> /*elements*/) {
  constexpr std::array<std::size_t, sizeof...(I)> sizes{
      fixed_size<std::remove_cvref_t<std::tuple_element_t<I, Tuple>>>()...};
  std::size_t sum = 0;
  for (const std::size_t size : sizes) {
    if (size == 0) {
      return 0;
    }
    sum += size;
  }
  return sum;
}

template <typename T>
using members_tuple = decltype(members_of(std::declval<T&>()));

// The number of bytes every value of T is written in, or 0 when it varies (or T has none).
template <typename T>
constexpr std::size_t fixed_size() {
  if constexpr (std::is_same_v<T, bool>) {
    return info(kind::boolean).fixed_size;
  } else if constexpr (scalar_kind<T>) {
    return scalar_size<T>;
  } else if constexpr (std::is_same_v<T, Person>) {
    return kPersonSize;
  } else if constexpr (std::is_enum_v<T>) {
    using U = std::underlying_type_t<T>;
    if constexpr (std::is_same_v<U, bool> || scalar_kind<U>) {
      return fixed_size<U>();
    } else {
      return 0;
    }
  } else if constexpr (is_std_array<T>) {
    using E = typename T::value_type;
    constexpr std::size_t n = std::tuple_size_v<T>;
    if constexpr (std::is_same_v<E, unsigned long> || std::is_same_v<E, double>) {
      return n <= kMaxCount ? wide_array_size(n) : 0;
    } else if constexpr (is_array_element<E>) {
      return 0;  // strings vary; bytes go by the byte array's own path
    } else {
      return n * fixed_size<E>();
    }
  } else if constexpr (is_tuple<T>) {
    return fixed_sum<T>(std::make_index_sequence<std::tuple_size_v<T>>{});
  } else if constexpr (record<T>) {
    return fixed_sum<members_tuple<T>>(
        std::make_index_sequence<std::tuple_size_v<members_tuple<T>>>{});
  } else {
    return 0;
  }
}

template <typename T>
concept fixed_value = fixed_size<T>()
!= 0;

// A std::array written as an array item.
template <typename T>
inline constexpr bool is_item_array = false;
template <typename T, std::size_t N>
inline constexpr bool is_item_array<std::array<T, N>> = is_array_element<T>;

// Stores the items of `value` at `out`, which has room for fixed_size<T>() bytes.
template <fixed_value T>
unsigned char* put_fixed(unsigned char* out, const T& value) noexcept {
  if constexpr (std::is_same_v<T, bool>) {
    *out = bool_tag(value);
    return out + 1;
  } else if constexpr (scalar_kind<T>) {
    return put_scalar(out, value);
  } else if constexpr (std::is_same_v<T, Person>) {
    return put_person(out, value);
  } else if constexpr (std::is_enum_v<T>) {
    return put_fixed(out, static_cast<std::underlying_type_t<T>>(value));
  } else if constexpr (is_item_array<T>) {
    return put_wide_array(out, std::span<const typename T::value_type>(value));
  } else if constexpr (is_std_array<T>) {
    for (const auto& element : value) {
      out = put_fixed(out, element);
    }
    return out;
  } else {
    const auto put_all = [&out](const auto&... part) { ((out = put_fixed(out, part)), ...); };
    if constexpr (is_tuple<T>) {
      std::apply(put_all, value);
    } else {
      std::apply(put_all, members_of(value));
    }
    return out;
  }
}

// Reads the value whose fixed_size<T>() bytes start at `in` into `value`; false, when a tag or a
// count byte is not the one expected, with `value` partly read.
template <fixed_value T>
bool get_fixed(const unsigned char*& in, T& value) noexcept {
  if constexpr (std::is_same_v<T, bool>) {
    value = *in == TAG_TRUE;
    return starts(kind::boolean, *in++);
  } else if constexpr (scalar_kind<T>) {
    value = scalar_payload<T>(in);
    const bool tag_ok = *in == scalar_tag<T>;
    in += scalar_size<T>;
    return tag_ok;
  } else if constexpr (std::is_same_v<T, Person>) {
    value = person_members(in);
    const bool tags_ok =
        in[0] == TAG_PERSON && in[kPersonAgeItem] == TAG_U8 && in[kPersonHeightItem] == TAG_F32;
    in += kPersonSize;
    return tags_ok;
  } else if constexpr (std::is_enum_v<T>) {
    std::underlying_type_t<T> underlying{};
    const bool ok = get_fixed(in, underlying);
    value = static_cast<T>(underlying);
    return ok;
  } else if constexpr (is_item_array<T>) {
    using E = typename T::value_type;
    if (in[0] != TAG_ARRAY || in[1] != std::tuple_size_v<T>) {
      return false;
    }
    in += kArrayHeaderSize;
    bool ok = true;
    for (E& element : value) {
      ok &= get_fixed(in, element);
    }
    return ok;
  } else if constexpr (is_std_array<T>) {
    bool ok = true;
    for (auto& element : value) {
      ok &= get_fixed(in, element);
    }
    return ok;
  } else {
    bool ok = true;
    const auto get_all = [&](auto&... part) { ((ok &= get_fixed(in, part)), ...); };
    if constexpr (is_tuple<T>) {
      std::apply(get_all, value);
    } else {
      std::apply(get_all, members_of(value));
    }
    return ok;
  }
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_FIXED_VALUES_H
