// How many bytes a value of a type (an item, a record, a container) takes in the bytes at hand:
// the whole value's size, or how many bytes it needs at least when the bytes end inside it, or a
// wrong byte, found without throwing and without building the value. A stream asks it before it
// reads, so that waiting for bytes never costs an exception. It walks the layouts of layout.h and
// the conventions of conventions.h, part by part; the reading itself stays theirs. Needs C++20.
#ifndef MORSEL_DETAIL_VALUE_EXTENT_H
#define MORSEL_DETAIL_VALUE_EXTENT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/fixed_values.h>
#include <morsel/detail/measure.h>
#include <morsel/item.h>

namespace morsel::detail {

inline constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

constexpr std::size_t saturating_add(std::size_t a, std::size_t b) noexcept {
  return a > kUnbounded - b ? kUnbounded : a + b;
}

// The item kind a type is read as, for the types that are one item.
template <typename T>
constexpr kind item_kind_of() {
  if constexpr (std::is_same_v<T, bool>) {
    return kind::boolean;
  } else if constexpr (scalar_kind<T>) {
    return scalar<T>::item_kind;
  } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>) {
    return kind::string;
  } else if constexpr (std::is_same_v<T, Person>) {
    return kind::person;
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>> ||
                       std::is_same_v<T, std::span<const unsigned char>>) {
    return kind::u8_array;
  } else if constexpr (std::is_same_v<T, std::vector<unsigned long>> ||
                       std::is_same_v<T, u64_array_view>) {
    return kind::u64_array;
  } else if constexpr (std::is_same_v<T, std::vector<double>> ||
                       std::is_same_v<T, f64_array_view>) {
    return kind::f64_array;
  } else {
    static_assert(std::is_same_v<T, std::vector<std::string>> ||
                  std::is_same_v<T, string_array_view>);
    return kind::string_array;
  }
}

template <typename T>
constexpr std::size_t max_size();

template <typename Tuple, std::size_t... I>
constexpr std::size_t max_sum(std::index_sequence<I...> /*parts*/) {
  std::size_t sum = 0;
  ((sum = saturating_add(sum, max_size<std::remove_cvref_t<std::tuple_element_t<I, Tuple>>>())),
   ...);
  return sum;
}

// The most bytes a value of type T can take, or kUnbounded.
template <typename T>
constexpr std::size_t max_size() {
  if constexpr (fixed_value<T>) {
    return fixed_size<T>();
  } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>) {
    return kStringHeaderSize + kMaxCount;
  } else if constexpr (item_value<T>) {
    constexpr kind k = item_kind_of<T>();
    if constexpr (k == kind::u8_array) {
      return byte_array_size(kMaxCount);
    } else if constexpr (k == kind::string_array) {
      return kArrayHeaderSize + kMaxCount * (kStringHeaderSize + kMaxCount);
    } else {
      return wide_array_size(kMaxCount);
    }
  } else if constexpr (is_optional<T>) {
    return saturating_add(1, max_size<typename T::value_type>());
  } else if constexpr (is_item_array<T>) {
    using E = typename T::value_type;
    return std::is_same_v<E, unsigned char>
               ? byte_array_size(std::tuple_size_v<T>)
               : kArrayHeaderSize + std::tuple_size_v<T> * (kStringHeaderSize + kMaxCount);
  } else if constexpr (is_std_array<T>) {
    const std::size_t each = max_size<typename T::value_type>();
    const std::size_t n = std::tuple_size_v<T>;
    return each == kUnbounded || (n != 0 && each > kUnbounded / n) ? kUnbounded : n * each;
  } else if constexpr (is_tuple<T>) {
    return max_sum<T>(std::make_index_sequence<std::tuple_size_v<T>>{});
  } else if constexpr (record<T>) {
    return max_sum<members_tuple<T>>(
        std::make_index_sequence<std::tuple_size_v<members_tuple<T>>>{});
  } else if constexpr (is_variant<T>) {
    return []<std::size_t... I>(std::index_sequence<I...>) {
      std::size_t most = 0;
      ((most = std::max(most, max_size<std::variant_alternative_t<I, T>>())), ...);
      return saturating_add(scalar_size<unsigned char>, most);
    }
    (std::make_index_sequence<std::variant_size_v<T>>{});
  } else {
    return kUnbounded;  // vectors and maps, and enums of no kind
  }
}

template <typename T>
measured extent_of(const unsigned char* at, std::size_t left) noexcept;

// Parts one after another: the first that is not whole ends the walk.
struct part_walk {
  const unsigned char* at;
  std::size_t left;
  std::size_t size = 0;
  measured problem{};

  template <typename P>
  bool add() noexcept {
    const measured m = extent_of<P>(at + size, left - size);
    if (!m.whole()) {
      problem = m;
      if (m.what == fault::cut_short) {
        problem.size = saturating_add(size, m.size);
      } else {
        problem.at += size;
      }
      return false;
    }
    size += m.size;
    return true;
  }
  measured result() const noexcept { return problem.what == fault::none ? whole(size) : problem; }
};

template <typename Tuple, std::size_t... I>
measured extent_of_parts(const unsigned char* at, std::size_t left,
                         std::index_sequence<I...> /*parts*/) noexcept {
  part_walk walk{at, left};
  (void)(walk.template add<std::remove_cvref_t<std::tuple_element_t<I, Tuple>>>() && ...);
  return walk.result();
}

// A u32 count and then `count` parts of type P... (a vector's elements, a map's entries).
template <typename... P>
measured extent_of_counted(const unsigned char* at, std::size_t left,
                           std::size_t least_each) noexcept {
  part_walk walk{at, left};
  if (!walk.template add<unsigned int>()) {
    return walk.result();
  }
  const std::size_t count = scalar_payload<unsigned int>(at);
  if (count > (left - walk.size) / least_each) {  // the bytes cannot hold them: wait for more
    return cut_short(walk.size + count * least_each);
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!(walk.template add<P>() && ...)) {
      break;
    }
  }
  return walk.result();
}

template <typename T>
measured extent_of(const unsigned char* at, std::size_t left) noexcept {
  if constexpr (fixed_value<T> && !item_value<T>) {
    // Room, then the tags: a wrong one is the read's to explain.
    if (left < fixed_size<T>()) {
      return cut_short(fixed_size<T>());
    }
    T value{};
    const unsigned char* cursor = at;
    return get_fixed(cursor, value) ? whole(fixed_size<T>()) : wrong(fault::wrong_tag, 0);
  } else if constexpr (item_value<T>) {
    return measure<item_kind_of<T>()>(at, left);
  } else if constexpr (std::is_enum_v<T>) {
    return extent_of<std::underlying_type_t<T>>(at, left);
  } else if constexpr (is_optional<T>) {
    part_walk walk{at, left};
    if (walk.template add<bool>() && at[0] == TAG_TRUE) {
      (void)walk.template add<typename T::value_type>();
    }
    return walk.result();
  } else if constexpr (is_item_array<T>) {
    return extent_of<std::vector<typename T::value_type>>(at, left);
  } else if constexpr (is_std_array<T>) {
    part_walk walk{at, left};
    for (std::size_t i = 0; i < std::tuple_size_v<T> && walk.template add<typename T::value_type>();
         ++i) {
    }
    return walk.result();
  } else if constexpr (is_vector<T>) {
    using E = typename T::value_type;
    return extent_of_counted<E>(at, left, min_size<E>());
  } else if constexpr (is_map<T>) {
    using K = typename T::key_type;
    using V = typename T::mapped_type;
    return extent_of_counted<K, V>(at, left, min_size<K>() + min_size<V>());
  } else if constexpr (is_tuple<T>) {
    return extent_of_parts<T>(at, left, std::make_index_sequence<std::tuple_size_v<T>>{});
  } else if constexpr (is_variant<T>) {
    part_walk walk{at, left};
    if (!walk.template add<unsigned char>()) {
      return walk.result();
    }
    const std::size_t index = at[1];
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (void)((index == I ? walk.template add<std::variant_alternative_t<I, T>>() : true) && ...);
    }
    (std::make_index_sequence<std::variant_size_v<T>>{});
    const bool known = index < std::variant_size_v<T>;
    return known ? walk.result() : wrong(fault::wrong_tag, 1);
  } else if constexpr (record<T>) {
    return extent_of_parts<members_tuple<T>>(
        at, left, std::make_index_sequence<std::tuple_size_v<members_tuple<T>>>{});
  } else {
    return whole(0);  // no layout: the read refuses it
  }
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_VALUE_EXTENT_H
