// One item of a message as `morsel::reader::next()` hands it out: scalars by value, strings and
// arrays as views into the reader's bytes (valid while those bytes are). Needs C++20.
#ifndef MORSEL_ITEM_H
#define MORSEL_ITEM_H

#include <cstddef>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

namespace morsel {

namespace detail {

// Walks elements laid out one after another, decoding each as it is read: `Element::value` gives
// an element's value from its first byte, `Element::size` its size.
template <typename Element>
class element_iterator {
 public:
  // Elements are decoded, not stored: a forward range, but only an input iterator to C++17.
  using iterator_concept = std::forward_iterator_tag;
  using iterator_category = std::input_iterator_tag;
  using value_type = typename Element::type;
  using difference_type = std::ptrdiff_t;
  using reference = value_type;
  using pointer = void;

  element_iterator() = default;
  explicit element_iterator(const unsigned char* at) noexcept : at_(at) {}
  value_type operator*() const noexcept { return Element::value(at_); }
  element_iterator& operator++() noexcept {
    at_ += Element::size(at_);
    return *this;
  }
  element_iterator operator++(int) noexcept {
    element_iterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const element_iterator&) const = default;

 private:
  const unsigned char* at_ = nullptr;
};

template <wide_element T>
struct wide_element_at {
  using type = T;
  static T value(const unsigned char* at) noexcept { return scalar_payload<T>(at); }
  static std::size_t size(const unsigned char* /*at*/) noexcept { return kWideItemSize; }
};

struct string_element_at {
  using type = std::string_view;
  static std::string_view value(const unsigned char* at) noexcept {
    return string_bytes(at, at[1]);
  }
  static std::size_t size(const unsigned char* at) noexcept { return kStringHeaderSize + at[1]; }
};

}  // namespace detail

// The elements of a u64 or f64 array inside a message: `count` 9-byte items whose tags the reader
// has checked. Each element is decoded when it is read.
template <detail::wide_element T>
class wide_array_view {
 public:
  using iterator = detail::element_iterator<detail::wide_element_at<T>>;

  wide_array_view() = default;
  wide_array_view(const unsigned char* items, std::size_t count) noexcept
      : items_(items), count_(count) {}

  std::size_t size() const noexcept { return count_; }
  bool empty() const noexcept { return count_ == 0; }
  T operator[](std::size_t i) const noexcept {
    return detail::scalar_payload<T>(items_ + i * detail::kWideItemSize);
  }
  iterator begin() const noexcept { return iterator(items_); }
  iterator end() const noexcept { return iterator(items_ + count_ * detail::kWideItemSize); }
  // Allocated once: the elements are counted, not found by walking.
  std::vector<T> to_vector() const {
    std::vector<T> values;
    values.reserve(count_);
    for (const T value : *this) {
      values.push_back(value);
    }
    return values;
  }
  // The elements' items, as they stand in the message.
  std::span<const unsigned char> items() const noexcept {
    return {items_, count_ * detail::kWideItemSize};
  }

 private:
  const unsigned char* items_ = nullptr;
  std::size_t count_ = 0;
};

using u64_array_view = wide_array_view<unsigned long>;
using f64_array_view = wide_array_view<double>;

// The elements of a string array inside a message: `count` string items, `size` bytes in all,
// whose tags and lengths the reader has checked. Walked front to back.
class string_array_view {
 public:
  using iterator = detail::element_iterator<detail::string_element_at>;

  string_array_view() = default;
  string_array_view(const unsigned char* items, std::size_t count, std::size_t size) noexcept
      : items_(items), count_(count), size_(size) {}

  std::size_t size() const noexcept { return count_; }
  bool empty() const noexcept { return count_ == 0; }
  iterator begin() const noexcept { return iterator(items_); }
  iterator end() const noexcept { return iterator(items_ + size_); }
  std::vector<std::string> to_vector() const {
    std::vector<std::string> values;
    values.reserve(count_);
    for (const std::string_view value : *this) {
      values.emplace_back(value);
    }
    return values;
  }
  std::span<const unsigned char> items() const noexcept { return {items_, size_}; }

 private:
  const unsigned char* items_ = nullptr;
  std::size_t count_ = 0;
  std::size_t size_ = 0;
};

static_assert(std::forward_iterator<u64_array_view::iterator>);
static_assert(std::forward_iterator<string_array_view::iterator>);

// One item of any kind. A byte array is a span of its raw element bytes.
using item = std::variant<bool, unsigned char, unsigned int, unsigned long, signed char, int, float,
                          double, std::string_view, std::span<const unsigned char>, u64_array_view,
                          f64_array_view, string_array_view, Person>;

static_assert(std::is_same_v<
              std::variant_alternative_t<static_cast<std::size_t>(kind::person), item>, Person>);

constexpr kind kind_of(const item& value) noexcept {
  return static_cast<kind>(value.index());
}

namespace detail {

// The value of a checked item of kind K, `size` bytes at `at`: what next() holds in the item's
// alternative.
template <kind K>
inline std::variant_alternative_t<static_cast<std::size_t>(K), item> value_at(
    const unsigned char* at, std::size_t size) noexcept {
  using V = std::variant_alternative_t<static_cast<std::size_t>(K), item>;
  if constexpr (K == kind::boolean) {
    return at[0] == TAG_TRUE;
  } else if constexpr (info(K).fixed_size != 0 && K != kind::person) {
    return scalar_payload<V>(at);
  } else if constexpr (K == kind::string) {
    return string_bytes(at, at[1]);
  } else if constexpr (K == kind::u8_array) {
    return V(at + kByteArrayHeaderSize, at[1]);
  } else if constexpr (K == kind::u64_array || K == kind::f64_array) {
    return V(at + kArrayHeaderSize, at[1]);
  } else if constexpr (K == kind::string_array) {
    return V(at + kArrayHeaderSize, at[1], size - kArrayHeaderSize);
  } else {
    static_assert(K == kind::person);
    return person_members(at);
  }
}

}  // namespace detail

}  // namespace morsel

#endif  // MORSEL_ITEM_H
