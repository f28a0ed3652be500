// morsel::writer: appends items one after another into one growable buffer, the bytes of a
// message. Needs C++20.
#ifndef MORSEL_WRITER_H
#define MORSEL_WRITER_H

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/members.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel {

namespace detail {
// Cold paths of the writer, out of line.
// "morsel::writer: a <what> of <size> <unit> is over 255, the most a length or count byte holds",
// as std::length_error.
[[noreturn]] void throw_too_long(std::string_view what, std::size_t size, std::string_view unit);
[[noreturn]] void throw_null_string();
}  // namespace detail

// Each `write` appends one item, exactly the bytes `serialize` returns for the same value, and
// the overload is chosen by the argument's static type as `serialize`'s is: unsigned char is u8,
// long is i64 (under the u64 tag), a string literal or `const char*` is a string, never a bool.
//
// Inside a message a length or count byte must be exact, or nothing after the item can be found.
// So `write` throws std::length_error for a string longer than 255 bytes, an array of more than
// 255 elements or a string-array element longer than 255 bytes, and leaves the writer exactly as
// it was; a null C string throws std::invalid_argument, likewise. (`serialize` still writes such
// items, with lengths modulo 256, into a buffer of their own.)
//
// A write is a capacity check and a few stores; the buffer grows in large steps, out of line.
class writer {
 public:
  writer() = default;
  explicit writer(std::size_t capacity) { reserve(capacity); }

  writer& write(bool value) {
    *claim(1) = detail::bool_tag(value);
    return *this;
  }
  writer& write(unsigned char value) { return put_scalar(value); }
  writer& write(unsigned int value) { return put_scalar(value); }
  writer& write(unsigned long value) { return put_scalar(value); }
  writer& write(signed char value) { return put_scalar(value); }
  writer& write(int value) { return put_scalar(value); }
  writer& write(long value) { return put_scalar(value); }
  writer& write(float value) { return put_scalar(value); }
  writer& write(double value) { return put_scalar(value); }

  writer& write(std::string_view value) {
    if (value.size() > detail::kMaxCount) [[unlikely]] {
      detail::throw_too_long("string", value.size(), "bytes");
    }
    detail::put_short_string(claim(detail::string_item_size(value)), value);
    return *this;
  }
  writer& write(const char* value) {
    if (value == nullptr) [[unlikely]] {
      detail::throw_null_string();
    }
    return write(std::string_view(value));
  }
  writer& write(const char8_t* value) {
    if (value == nullptr) [[unlikely]] {
      detail::throw_null_string();
    }
    const std::u8string_view text(value);
    return write(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
  }

  writer& write(std::span<const unsigned char> values) {
    check_count(values.size());
    detail::put_byte_array(claim(detail::byte_array_size(values.size())), values);
    return *this;
  }
  writer& write(std::span<const unsigned long> values) { return put_wide_array(values); }
  writer& write(std::span<const double> values) { return put_wide_array(values); }
  writer& write(std::span<const std::string> values) {
    check_count(values.size());
    for (const std::string& value : values) {
      if (value.size() > detail::kMaxCount) [[unlikely]] {
        detail::throw_too_long("string-array element", value.size(), "bytes");
      }
    }
    detail::put_string_array(claim(detail::string_array_size(values)), values);
    return *this;
  }

  writer& write(const Person& person) {
    detail::put_person(claim(detail::kPersonSize), person);
    return *this;
  }

  // Views from a reader are copied as the items they are.
  template <detail::wide_element T>
  writer& write(const wide_array_view<T>& values) {
    return put_array_items(TAG_ARRAY, values.size(), values.items());
  }
  writer& write(const string_array_view& values) {
    return put_array_items(TAG_STR_ARRAY, values.size(), values.items());
  }
  // An item of any kind, as `reader::next()` returns it. (A template, so that nothing converts to
  // a variant on its way here.)
  template <std::same_as<item> Item>
  writer& write(const Item& value) {
    return std::visit(
        [&out = *this](const auto& alternative) -> writer& { return out.write(alternative); },
        value);
  }

  // A record: its members' items, in order (see morsel/detail/members.h for what a record is).
  // Enums, std::array, std::optional, std::vector, std::map, std::unordered_map, std::pair,
  // std::tuple and std::variant: the conventions of morsel/detail/conventions.h. Either throws as
  // its parts' writes do, and then leaves the writer as it was; a vector or map of more than
  // 4,294,967,295 elements throws std::length_error, a valueless variant std::invalid_argument.
  template <typename T>
  requires(detail::record<T> || detail::composite<T>) writer& write(const T& value) {
    if constexpr (detail::fixed_value<T>) {
      detail::put_fixed(claim(detail::fixed_size<T>()), value);  // cannot fail once room is made
    } else {
      const std::size_t before = size();
      try {
        put(value);
      } catch (...) {
        cursor_ = buffer_.data() + before;
        throw;
      }
    }
    return *this;
  }

  // Any other class has no layout: say why, rather than list every overload.
  template <typename T>
  requires(std::is_class_v<T> && !detail::record<T> && !detail::composite<T> &&
           !detail::item_value<T> && !std::is_same_v<T, item> &&
           !std::is_convertible_v<const T&, std::string_view> &&
           !std::is_convertible_v<const T&, std::span<const unsigned char>> &&
           !std::is_convertible_v<const T&, std::span<const unsigned long>> &&
           !std::is_convertible_v<const T&, std::span<const double>> &&
           !std::is_convertible_v<const T&, std::span<const std::string>>)
      writer& write(const T& /*value*/) {
    detail::refuse<T>();
    return *this;
  }

  // Any other pointer would turn into the bool true.
  template <typename T>
  requires(!detail::is_char_pointee<T>) writer& write(T* /*pointer*/) {
    static_assert(detail::dependent_false<T>,
                  "morsel::writer::write: a pointer would be written as the bool true; pass the "
                  "value it points to, a std::string or a std::vector");
    return *this;
  }
  template <typename T, typename Class>
  writer& write(T Class::* /*member*/) {
    static_assert(detail::dependent_false<T>,
                  "morsel::writer::write: a pointer to member would be written as the bool true; "
                  "pass the member's value");
    return *this;
  }

  // What has been written so far.
  std::span<const unsigned char> bytes() const noexcept { return {buffer_.data(), size()}; }
  std::size_t size() const noexcept { return static_cast<std::size_t>(cursor_ - buffer_.data()); }
  bool empty() const noexcept { return size() == 0; }
  std::size_t capacity() const noexcept { return buffer_.size(); }

  // Forgets what was written and keeps the buffer, so one writer serves message after message.
  void clear() noexcept { cursor_ = buffer_.data(); }
  // Makes room for `extra` more bytes now, so that no write before them grows the buffer.
  void reserve(std::size_t extra) {
    if (extra > room()) {
      grow(extra);
    }
  }
  // Moves the buffer out, holding exactly the bytes written, without copying them. The writer is
  // left empty, with no buffer.
  std::vector<unsigned char> take() {
    buffer_.resize(size());
    cursor_ = nullptr;
    limit_ = nullptr;
    return std::exchange(buffer_, {});
  }

 private:
  // Room for the next `n` bytes, counted as written.
  unsigned char* claim(std::size_t n) {
    if (n > room()) [[unlikely]] {
      grow(n);
    }
    unsigned char* out = cursor_;
    cursor_ += n;
    return out;
  }
  void grow(std::size_t n);

  template <typename>
  friend struct detail::convention;

  // A member of a record, or an element of a container: any type write takes as a value, and
  // nothing that would only convert to one (a short member is refused, not promoted). Only the
  // write that began the whole goes back when a part throws.
  template <typename M>
  void write_part(const M& part) {
    if constexpr (detail::fixed_value<M>) {
      detail::put_fixed(claim(detail::fixed_size<M>()), part);
    } else if constexpr (detail::record<M> || detail::composite<M>) {
      put(part);
    } else if constexpr (detail::item_value<M>) {
      write(part);
    } else {
      detail::refuse<M>();
    }
  }

  template <typename T>
  void put(const T& value) {
    if constexpr (detail::record<T>) {
      std::apply([&](const auto&... member) { (write_part(member), ...); },
                 detail::members_of(value));
    } else {
      detail::convention<T>::write(*this, value);
    }
  }

  template <detail::scalar_kind T>
  writer& put_scalar(T value) {
    detail::put_scalar(claim(detail::scalar_size<T>), value);
    return *this;
  }

  static void check_count(std::size_t count) {
    if (count > detail::kMaxCount) [[unlikely]] {
      detail::throw_too_long("array", count, "elements");
    }
  }

  template <detail::wide_element T>
  writer& put_wide_array(std::span<const T> values) {
    check_count(values.size());
    detail::put_wide_array(claim(detail::wide_array_size(values.size())), values);
    return *this;
  }

  writer& put_array_items(unsigned char tag, std::size_t count,
                          std::span<const unsigned char> items);

  std::size_t room() const noexcept { return static_cast<std::size_t>(limit_ - cursor_); }

  // The bytes before `cursor_` are the message; from there to `limit_` (the end of `buffer_`) is
  // room to write into. Pointers, so that a write's check is one subtraction and compare.
  std::vector<unsigned char> buffer_;
  unsigned char* cursor_ = nullptr;
  unsigned char* limit_ = nullptr;
};

}  // namespace morsel

#endif  // MORSEL_WRITER_H
