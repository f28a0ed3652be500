// morsel::writer: appends items one after another into one growable buffer, the bytes of a
// message. Needs C++20.
#ifndef MORSEL_WRITER_H
#define MORSEL_WRITER_H

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/describe.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel {

namespace detail {
// Cold paths of the writer, out of line.
[[noreturn]] void throw_too_long(std::string_view what, std::size_t size, std::string_view unit);
[[noreturn]] void throw_null_string();
[[noreturn]] void throw_nested_too_deep(std::size_t limit);
}  // namespace detail

// Each `write` appends one value, and the overload is chosen by the argument's static type as
// `serialize`'s is: unsigned char is u8, long is i64 (under the u64 tag), a string literal or
// `const char*` is a string, never a bool. A value of one item is exactly the bytes `serialize`
// returns for it, when its length or count fits in a byte.
//
// Inside a message a length or count byte must be exact, or nothing after the item can be found.
// So a string of more than 255 bytes, an array of more than 255 elements, or a string array with
// an element longer than 255 bytes takes its long form (docs/format.md): a u32 item holding the
// length or count, then the value as items of 255 bytes or elements each (strings and bytes) or
// as its elements' items. A length or count over 4,294,967,295 throws std::length_error; a null C
// string throws std::invalid_argument. (`serialize` writes lengths modulo 256 instead, into a
// buffer of their own.)
//
// Records, enums, std::array, std::optional, std::vector, std::map, std::unordered_map,
// std::pair, std::tuple and std::variant are written by the conventions of
// morsel/detail/conventions_*.h. A value nested deeper than `depth_limit()` records and
// containers throws std::length_error, so that nothing is written that a reader with the same
// limit refuses; errors inside a value name where it failed ("morsel::writer: member 4[1].2:
// ..."). Whatever throws, the writer is left exactly as it was.
//
// A write is a capacity check and a few stores; the buffer grows in large steps, out of line.
class writer {
 public:
  static constexpr std::size_t default_depth_limit = detail::kDefaultDepthLimit;

  writer() = default;
  explicit writer(std::size_t capacity) { reserve(capacity); }
  // A copy holds the bytes written so far in a buffer of its own; a writer moved from is empty,
  // with no buffer, as after take().
  writer(const writer& other)
      : buffer_(other.bytes().begin(), other.bytes().end()),
        cursor_(buffer_.data() + buffer_.size()),
        limit_(cursor_),
        depth_limit_(other.depth_limit_) {}
  writer(writer&& other) noexcept
      : buffer_(std::exchange(other.buffer_, {})),
        cursor_(std::exchange(other.cursor_, nullptr)),
        limit_(std::exchange(other.limit_, nullptr)),
        depth_limit_(other.depth_limit_) {}
  writer& operator=(writer other) noexcept {
    swap(other);
    return *this;
  }
  ~writer() = default;
  void swap(writer& other) noexcept {
    buffer_.swap(other.buffer_);  // the storage, and the pointers into it, change hands
    std::swap(cursor_, other.cursor_);
    std::swap(limit_, other.limit_);
    std::swap(depth_limit_, other.depth_limit_);
  }

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
    if (!detail::fits_short(value.size())) [[unlikely]] {
      return put_long(value);
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
    if (!detail::fits_short(values.size())) [[unlikely]] {
      return put_long(values);
    }
    detail::put_byte_array(claim(detail::byte_array_size(values.size())), values);
    return *this;
  }
  writer& write(std::span<const unsigned long> values) { return put_wide_array(values); }
  writer& write(std::span<const double> values) { return put_wide_array(values); }
  writer& write(std::span<const std::string> values) { return put_strings(values); }

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

  // A record, a container or an enum: its convention's items (see above).
  template <typename T>
  requires(detail::writable<T> && !detail::item_value<T> &&
           !std::is_same_v<T, item>) writer& write(const T& value) {
    const std::size_t before = size();
    try {
      detail::convention<T>::write(*this, value);
    } catch (...) {
      cursor_ = buffer_.data() + before;
      rethrow_with_path([] { return detail::spelled<T>(); });
    }
    return *this;
  }

  // Any other class has no layout: say why, rather than list every overload.
  template <typename T>
  requires(std::is_class_v<T> && !detail::writable<T> &&
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

  // How many records and containers may be open around a value written.
  std::size_t depth_limit() const noexcept { return depth_limit_; }
  void set_depth_limit(std::size_t limit) noexcept { depth_limit_ = limit; }

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
  template <typename, detail::shape>
  friend struct detail::convention;
  template <typename>
  friend struct detail::fixed_item;
  template <typename>
  friend struct detail::in_a_row;
  friend struct detail::element_writer;
  friend struct detail::dynamic_reader;
  friend struct detail::dynamic_writer;

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

  // One more record or container open while the level lives, counted where it must be.
  class level {
   public:
    level(writer& owner, bool counted) : owner_(counted ? &owner : nullptr) {
      if (owner_ != nullptr) {
        if (owner_->depth_ >= owner_->depth_limit_) [[unlikely]] {
          detail::throw_nested_too_deep(owner_->depth_limit_);
        }
        ++owner_->depth_;
      }
    }
    level(const level&) = delete;
    level& operator=(const level&) = delete;
    ~level() {
      if (owner_ != nullptr) {
        --owner_->depth_;
      }
    }

   private:
    writer* owner_;
  };
  // A record or container opens, holding values `Nesting` levels deep at most (kUnbounded where it
  // holds a vector or map, which may hold it). When they all fit under the limit from here,
  // nothing is counted: none can be refused. Else each level is counted as it opens, so that the
  // one past the limit is refused where it starts, with its path.
  template <std::size_t Nesting>
  level open() {
    return level(*this, Nesting == detail::kUnbounded || !nesting_fits(Nesting));
  }
  bool nesting_fits(std::size_t levels) const noexcept {
    return levels <= depth_limit_ - std::min(depth_, depth_limit_);
  }
  // Called from a catch block: rethrows what failed inside the part at `step`, with the step.
  [[noreturn]] static void fail_at(detail::path_step step);
  // Called from a catch block: the library's exception, its message naming the path from the
  // type of the value written, spelled by `root()` (only when there is a path to name).
  template <typename Root>
  [[noreturn]] static void rethrow_with_path(Root root) {
    try {
      throw;
    } catch (const detail::part_failure& failure) {
      throw_with_path(failure, root());
    }
  }
  [[noreturn]] static void throw_with_path(const detail::part_failure& failure,
                                           std::string_view root);

  template <detail::scalar_kind T>
  writer& put_scalar(T value) {
    detail::put_scalar(claim(detail::scalar_size<T>), value);
    return *this;
  }

  template <detail::wide_element T>
  writer& put_wide_array(std::span<const T> values) {
    if (!detail::fits_short(values.size())) [[unlikely]] {
      return put_long(values);
    }
    detail::put_wide_array(claim(detail::wide_array_size(values.size())), values);
    return *this;
  }

  // The long forms, out of line.
  writer& put_long(std::string_view value);
  writer& put_long(std::span<const unsigned char> values);
  writer& put_long(std::span<const unsigned long> values);
  writer& put_long(std::span<const double> values);

  writer& put_array_items(unsigned char tag, std::size_t count,
                          std::span<const unsigned char> items);
  // Strings, as a string array item or its long form.
  writer& put_strings(std::span<const std::string> values);
  writer& put_strings(std::span<const std::string_view> values);
  template <typename S>
  unsigned char* put_string_items(std::span<const S> values);

  std::size_t room() const noexcept { return static_cast<std::size_t>(limit_ - cursor_); }

  // The bytes before `cursor_` are the message; from there to `limit_` (the end of `buffer_`) is
  // room to write into. Pointers, so that a write's check is one subtraction and compare.
  std::vector<unsigned char> buffer_;
  unsigned char* cursor_ = nullptr;
  unsigned char* limit_ = nullptr;
  std::size_t depth_ = 0;
  std::size_t depth_limit_ = default_depth_limit;
};

}  // namespace morsel

#endif  // MORSEL_WRITER_H
