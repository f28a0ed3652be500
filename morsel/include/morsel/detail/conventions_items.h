// The conventions of the types whose values are one item: bool, the integer and float kinds,
// Person, strings (past 255 bytes their long form, long_form.h), the views a reader hands out,
// and enums (the item of their value). Needs C++20.
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
  static bool tags_fit(const unsigned char* at) noexcept { return fixed_tags_fit<item_kind>(at); }
  static bool get(const unsigned char*& in, T& value) noexcept {
    if constexpr (scalar_kind<T>) {
      value = scalar_payload<T>(in);
    } else {
      value = value_at<item_kind>(in, fixed_size());
    }
    in += fixed_size();
    return true;
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

// ---- Enums: the item of the value as the underlying type, which must be an integer kind or bool.

template <typename U>
inline constexpr bool is_enum_kind =
    std::is_same_v<U, bool> || std::is_same_v<U, unsigned char> || std::is_same_v<U, signed char> ||
    std::is_same_v<U, unsigned int> || std::is_same_v<U, int> || std::is_same_v<U, unsigned long> ||
    std::is_same_v<U, long>;

template <typename E, typename U = std::underlying_type_t<E>>
constexpr bool check_enum() {
  static_assert(is_enum_kind<U>,
                "morsel: an enum is written as its underlying type, and this one's is no item kind "
                "(it is U in the instantiation above): declare the enum with one, such as "
                "enum class E : unsigned char, or int");
  return true;
}

template <typename E>
struct convention<E, shape::enumeration> {
  using U = std::conditional_t<is_enum_kind<std::underlying_type_t<E>>, std::underlying_type_t<E>,
                               unsigned char>;
  static_assert(check_enum<E>());
  static constexpr std::size_t min_size() { return convention<U>::min_size(); }
  static constexpr std::size_t max_size() { return min_size(); }
  static constexpr std::size_t fixed_size() { return min_size(); }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    builder.template enumeration<E, U>(out);
  }
  template <typename W>
  static void write(W& out, E value) {
    convention<U>::write(out, static_cast<U>(value));
  }
  template <typename R>
  static void read(R& in, E& value) {
    U underlying{};
    convention<U>::read(in, underlying);
    value = static_cast<E>(underlying);
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return convention<U>::extent(at, left, depth);
  }
  static unsigned char* put(unsigned char* out, E value) noexcept {
    return convention<U>::put(out, static_cast<U>(value));
  }
  static bool tags_fit(const unsigned char* at) noexcept {
    return fixed_tags_fit<item_kind_of<U>()>(at);
  }
  static bool get(const unsigned char*& in, E& value) noexcept {
    value = static_cast<E>(value_at<item_kind_of<U>()>(in, fixed_size()));
    in += fixed_size();
    return true;
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_ITEMS_H
