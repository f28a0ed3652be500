// The conventions of containers whose size varies: a u32 item holding the count, then each
// element's items (std::vector of any element other than the array item's; std::deque and
// std::list as the vector of the same elements). Maps and sets are in conventions_associative.h.
// Needs C++20.
//
// Reading a count reserves no more than the bytes left can justify, in bytes and in memory: a
// hostile count costs what its bytes cost. Reading into a vector that already holds values
// reuses its elements.
#ifndef MORSEL_DETAIL_CONVENTIONS_CONTAINERS_H
#define MORSEL_DETAIL_CONVENTIONS_CONTAINERS_H

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/convention.h>
#include <morsel/detail/conventions_items.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

// A u32 count, then `count` times the parts P... (an element, or a key and a value).
template <typename... P>
measured counted_extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
  constexpr std::size_t least_each = (std::size_t{0} + ... + detail::min_size<P>());
  if (depth == 0) {
    return too_deep();
  }
  part_walk walk{at, left, depth - 1};
  if (!walk.add<unsigned int>()) {
    return walk.result();
  }
  const std::size_t count = long_length(at);
  for (std::size_t i = 0; i < count; ++i) {
    if (!(walk.template add<P>() && ...)) {
      measured m = walk.result();
      if (m.what == fault::cut_short) {  // and the least each part after it takes
        m.size = saturating_add(m.size, saturating_mul(least_each, count - i - 1));
      }
      return m;
    }
  }
  return walk.result();
}

// How many elements to make room for at once: no more than the bytes left could hold, at
// `least_each` bytes each, nor more memory than a small multiple of those bytes.
constexpr std::size_t justified(std::size_t count, std::size_t left, std::size_t least_each,
                                std::size_t memory_each) noexcept {
  const std::size_t by_memory = std::max<std::size_t>(1, 2 * left / memory_each);
  return std::min({count, left / least_each, by_memory});
}

struct element_writer {
  // Each of `values` by T's convention; a failure names the element's index.
  template <typename T, typename W, typename Range>
  static void write_each(W& out, const Range& values) {
    std::size_t i = 0;
    try {
      for (const auto& value : values) {
        convention<T>::write(out, static_cast<const T&>(value));
        ++i;
      }
    } catch (...) {
      out.fail_at({step_kind::element, i, {}, {}});
    }
  }
};

template <typename V>
struct convention<V, shape::vector> {
  using T = typename V::value_type;

  // Checked where a vector is read, not here: the element type may be the record being defined
  // (a tree's node holds a vector of nodes).
  static constexpr bool writes_bytes() {
    static_assert(detail::min_size<T>() > 0,
                  "morsel: a std::vector of a type that writes no bytes (an empty record, "
                  "std::tuple<>) could not be read back: how many there were is all it says");
    return detail::min_size<T>() > 0;
  }
  static constexpr bool check() {
    if constexpr (!std::is_same_v<T, bool> && !readable_part<T>()) {
      return false;  // refused, once, by readable_part
    } else {
      return writes_bytes();
    }
  }

  static constexpr std::size_t min_size() { return convention<unsigned int>::min_size(); }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return kUnbounded; }  // what it holds may hold it

  template <typename B>
  static void describe(B& builder, std::string& out) {
    describe_generic<T>(builder, out, "vector");
  }
  // `values`: the vector, or a std::deque or std::list written as it.
  template <typename W, typename Range>
  static void write(W& out, const Range& values) {
    [[maybe_unused]] constexpr bool refused_if_empty = writes_bytes();
    if (values.size() > kMaxListCount) [[unlikely]] {
      throw_too_many("std::vector", values.size());
    }
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    const auto count = static_cast<unsigned int>(values.size());
    if constexpr (fixed_value<T>) {  // room for all of it at once
      if (out.nesting_fits(convention<T>::nesting())) [[likely]] {
        unsigned char* at =
            put_scalar(out.claim(saturating_add(kLengthItemSize,
                                                saturating_mul(detail::fixed_size<T>(), count))),
                       count);
        for (const auto& value : values) {
          at = convention<T>::put(at, static_cast<const T&>(value));
        }
        return;
      }
    }
    convention<unsigned int>::write(out, count);
    element_writer::write_each<T>(out, values);
  }

  template <typename R>
  static void read(R& in, V& values) {
    if constexpr (check()) {
      read_checked(in, values);
    }
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return counted_extent<T>(at, left, depth);
  }

 private:
  template <typename R>
  static void read_checked(R& in, V& values) {
    [[maybe_unused]] const auto level = in.template open<nesting()>();
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    if constexpr (fixed_value<T> && !std::is_same_v<T, bool> &&
                  std::is_default_constructible_v<T>) {
      // All there, and none too deep: checked and copied in one piece.
      constexpr std::size_t each =
          std::integral_constant<std::size_t, detail::fixed_size<T>()>::value;
      if (count <= in.left() / each && in.nesting_fits(convention<T>::nesting())) {
        if (get_all(in.here(), values, count)) [[likely]] {
          in.advance(count * detail::fixed_size<T>());
          return;
        }
        // a tag is wrong: the element-by-element read below says which
      }
    }
    in.counted(count, count_offset, detail::min_size<T>(),
               [&] { read_elements(in, values, count); });
  }

  // `count` values of fixed size from `at` into `values`; false when a tag is wrong or a `from`
  // refuses. A value of fixed size holds no storage of its own to reuse, so they are appended to an
  // emptied vector, not first made and then overwritten. A function of its own, so that its loop
  // keeps what it carries in registers wherever it is called.
  [[gnu::noinline]] static bool get_all(const unsigned char* at, V& values, std::size_t count) {
    values.clear();
    values.reserve(count);
    bool ok = true;
    for (std::size_t i = 0; i < count; ++i) {
      ok &= convention<T>::tags_fit(at);
      if constexpr (calls_from<T>()) {
        if (!ok) [[unlikely]] {
          return false;
        }
      }
      T value;  // get sets every member
      ok &= convention<T>::get(at, value);
      values.push_back(value);
    }
    return ok;
  }

  template <typename R>
  static void read_elements(R& in, V& values, std::size_t count) {
    if (values.capacity() < count) {
      values.reserve(justified(count, in.left(), detail::min_size<T>(), sizeof(T)));
    }
    const std::size_t reused = std::min(values.size(), count);
    std::size_t i = 0;
    try {
      for (; i < count; ++i) {
        if constexpr (std::is_same_v<T, bool>) {
          bool value = false;
          convention<bool>::read(in, value);
          i < reused ? (values[i] = value, void()) : values.push_back(value);
        } else if (i < reused) {
          convention<T>::read(in, values[i]);
        } else if constexpr (std::is_default_constructible_v<T>) {
          convention<T>::read(in, values.emplace_back());
        } else {
          values.push_back(read_new<T>(in));
        }
      }
    } catch (...) {
      in.fail_at({step_kind::element, i, {}, {}});
    }
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(count), values.end());
  }
};

// std::deque and std::list: the bytes of the std::vector of the same elements (the array item, or
// a count and the elements), read through one.
template <typename Q>
struct convention<Q, shape::sequence> {
  using T = typename Q::value_type;
  using as_vector = convention<std::vector<T>>;

  static constexpr std::size_t min_size() { return as_vector::min_size(); }
  static constexpr std::size_t max_size() { return as_vector::max_size(); }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return as_vector::nesting(); }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    as_vector::describe(builder, out);
  }
  template <typename W>
  static void write(W& out, const Q& values) {
    if constexpr (is_array_element<T> || std::is_same_v<T, bool>) {
      as_vector::write(out, std::vector<T>(values.begin(), values.end()));  // in one piece
    } else {
      as_vector::write(out, values);
    }
  }
  template <typename R>
  static void read(R& in, Q& values) {
    std::vector<T> read;
    as_vector::read(in, read);
    values.assign(std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return as_vector::extent(at, left, depth);
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_CONTAINERS_H
