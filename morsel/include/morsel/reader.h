// morsel::reader: a cursor over the bytes of a message, reading one item at a time in place.
// Needs C++20.
#ifndef MORSEL_READER_H
#define MORSEL_READER_H

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/detail/members.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel {

// The bytes end inside the item at the cursor (or before any item, when one was asked for): more
// bytes may make it whole. A stream reader waits for them; for a whole message it is an error
// like any other decode_error.
class truncated_error : public decode_error {
 public:
  using decode_error::decode_error;
};

// Says that a reader's bytes may be only the start of what is coming, as in a stream.
struct partial_t {
  explicit partial_t() = default;
};
inline constexpr partial_t partial{};

namespace detail {

struct extent {
  morsel::kind kind;
  std::size_t size;
};

// The kind and size of the item at `offset`, checked whole. Throws truncated_error when the bytes
// end inside it and decode_error when they are wrong. With `partial`, bytes that end where the
// kind is still open (after "AC 00") are cut short too.
extent examine(std::span<const unsigned char> bytes, std::size_t offset, bool partial);

// Throws the error that explains why the item at `offset` is not a valid item of kind `expected`;
// the typed reads call it once their fast checks have failed.
[[noreturn]] void reject(std::span<const unsigned char> bytes, std::size_t offset,
                         morsel::kind expected);

// A member's item failed inside a record. Carried out of nested records, each adding its member's
// position, and turned into a decode_error (or truncated_error) by the record read that began it.
struct member_failure {
  std::vector<std::size_t> path;  // member positions, outermost first
  std::size_t item_offset;
  std::size_t stopped_at;
  std::string what;  // the item's message, without its "byte N: "
  bool truncated;
};

[[noreturn]] void throw_member_failure(const decode_error& error, std::size_t item_offset,
                                       std::size_t member);
[[noreturn]] void throw_record_error(const member_failure& failure, std::size_t record_offset);

}  // namespace detail

// Reads items in order from bytes it neither copies nor owns: views it returns (strings, arrays,
// items) point into those bytes.
//
// `read<T>()` takes the item at the cursor as a T, checking its tag exactly (floats too: 0xA8 for
// float, 0xA9 for double; long and unsigned long both read 0xA4) and that the whole item is
// there, then moves past it. T is any type `writer::write` takes as a value (bool, the integer
// and float kinds, Person), std::string_view (a view into the bytes) or std::string, one of the
// four vector types, or a view: std::span<const unsigned char> for a byte array, u64_array_view,
// f64_array_view, string_array_view; or `item`, as `next()`. A 0xAA string must have length byte 4.
//
// `next()` takes the item at the cursor whatever its kind. Where the tags leave the kind open it
// answers: an i64 item reads as u64 (they are the same bytes); "AC 00" is an empty u64 array,
// unless 0xA2 follows, which makes "AC 00 A2" an empty byte array (an empty u64 or f64 array
// followed by a u8 item therefore walks differently from how it was written; typed reads are never
// in doubt). "AC 00" at the very end of the bytes is an empty u64 array, unless the reader was
// made with `morsel::partial` (its bytes may go on, as a stream's do): then it is cut short.
//
// Bad bytes throw decode_error, with a message that names the item's byte offset and what was
// expected and found ("byte 17: expected tag 0xa3, got 0xa6"); bytes that end inside the item
// throw truncated_error, a decode_error. After a throw the reader has not moved. Nothing is ever
// read outside the bytes.
class reader {
 public:
  reader() = default;
  explicit reader(std::span<const unsigned char> bytes) noexcept
      : begin_(bytes.data()), cursor_(bytes.data()), end_(bytes.data() + bytes.size()) {}
  // For the bytes of a stream so far, which may stop inside an item.
  reader(std::span<const unsigned char> bytes, partial_t /*more may follow*/) noexcept
      : reader(bytes) {
    partial_ = true;
  }
  // A reader of a temporary would outlive its bytes.
  explicit reader(const std::vector<unsigned char>&&) = delete;

  template <typename T>
  T read();

  item next();
  // The kind of the item at the cursor, from its first bytes, without moving or checking the rest
  // of the item. Throws as `next()` would when even the kind cannot be told.
  morsel::kind peek() const;
  // Moves past the item at the cursor, whatever its kind, checking it as `next()` does.
  void skip() { cursor_ += detail::examine(bytes(), offset(), partial_).size; }

  bool empty() const noexcept { return cursor_ == end_; }
  // Bytes read so far: where the next item starts.
  std::size_t offset() const noexcept { return static_cast<std::size_t>(cursor_ - begin_); }
  std::span<const unsigned char> bytes() const noexcept { return {begin_, end_}; }
  std::span<const unsigned char> remaining() const noexcept { return {cursor_, end_}; }

 private:
  template <typename V>
  struct parsed {
    V value;
    std::size_t size;
  };

  const unsigned char* here() const noexcept { return cursor_; }
  std::size_t left() const noexcept { return static_cast<std::size_t>(end_ - cursor_); }
  [[noreturn]] void reject(morsel::kind expected) const {
    detail::reject(bytes(), offset(), expected);
  }

  // Each parse_ function checks the item at the cursor and decodes it without moving.
  parsed<bool> parse_bool() const {
    if (left() < 1 || (here()[0] != TAG_TRUE && here()[0] != TAG_FALSE)) [[unlikely]] {
      reject(kind::boolean);
    }
    return {here()[0] == TAG_TRUE, 1};
  }

  template <detail::scalar_kind T>
  parsed<T> parse_scalar() const {
    constexpr std::size_t size = detail::scalar_size<T>;
    if (left() < size || here()[0] != detail::scalar<T>::tag) [[unlikely]] {
      reject(kind_of_scalar<T>());
    }
    return {detail::scalar_payload<T>(here()), size};
  }

  parsed<std::string_view> parse_string() const {
    const unsigned char* at = here();
    if (left() < detail::kStringHeaderSize || !detail::is_string_header(at[0], at[1]) ||
        left() - detail::kStringHeaderSize < std::size_t{at[1]}) [[unlikely]] {
      reject(kind::string);
    }
    return {detail::string_bytes(at, at[1]), detail::kStringHeaderSize + at[1]};
  }

  parsed<std::span<const unsigned char>> parse_byte_array() const {
    const unsigned char* at = here();
    if (left() < detail::kByteArrayHeaderSize || at[0] != TAG_ARRAY || at[2] != TAG_U8 ||
        left() - detail::kByteArrayHeaderSize < std::size_t{at[1]}) [[unlikely]] {
      reject(kind::u8_array);
    }
    return {{at + detail::kByteArrayHeaderSize, at[1]}, detail::byte_array_size(at[1])};
  }

  template <detail::wide_element T>
  parsed<wide_array_view<T>> parse_wide_array() const {
    constexpr morsel::kind expected = std::is_same_v<T, double> ? kind::f64_array : kind::u64_array;
    const unsigned char* at = here();
    if (left() < detail::kArrayHeaderSize || at[0] != TAG_ARRAY ||
        left() < detail::wide_array_size(at[1])) [[unlikely]] {
      reject(expected);
    }
    const std::size_t count = at[1];
    const unsigned char* items = at + detail::kArrayHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
      if (items[i * detail::kWideItemSize] != detail::scalar<T>::tag) [[unlikely]] {
        reject(expected);
      }
    }
    return {{items, count}, detail::wide_array_size(count)};
  }

  parsed<string_array_view> parse_string_array() const {
    const unsigned char* at = here();
    if (left() < detail::kArrayHeaderSize || at[0] != TAG_STR_ARRAY) [[unlikely]] {
      reject(kind::string_array);
    }
    const std::size_t count = at[1];
    std::size_t size = detail::kArrayHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char* element = at + size;
      const std::size_t room = left() - size;
      if (room < detail::kStringHeaderSize || !detail::is_string_header(element[0], element[1]) ||
          room - detail::kStringHeaderSize < std::size_t{element[1]}) [[unlikely]] {
        reject(kind::string_array);
      }
      size += detail::kStringHeaderSize + element[1];
    }
    return {{at + detail::kArrayHeaderSize, count, size - detail::kArrayHeaderSize}, size};
  }

  parsed<Person> parse_person() const {
    const unsigned char* at = here();
    if (left() < detail::kPersonSize || at[0] != TAG_PERSON ||
        at[detail::kPersonAgeItem] != TAG_U8 || at[detail::kPersonHeightItem] != TAG_F32)
        [[unlikely]] {
      reject(kind::person);
    }
    return {detail::person_members(at), detail::kPersonSize};
  }

  // A record reads whole or not at all: when a member fails, the cursor goes back to the record's
  // start before the error leaves.
  template <typename T>
  T read_record() {
    const unsigned char* start = cursor_;
    T value{};
    try {
      read_members(value);
    } catch (const detail::member_failure& failure) {
      cursor_ = start;
      detail::throw_record_error(failure, offset());
    } catch (...) {  // out of memory for a member's string or vector
      cursor_ = start;
      throw;
    }
    return value;
  }

  // Each member's position is a constant where it is read; it is only needed when one fails.
  template <typename T>
  void read_members(T& value) {
    auto members = detail::members_of(value);
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (read_member_at<I>(std::get<I>(members)), ...);
    }
    (std::make_index_sequence<std::tuple_size_v<decltype(members)>>{});
  }

  template <std::size_t I, typename M>
  void read_member_at(M& member) {
    try {
      read_member(member);
    } catch (detail::member_failure& failure) {
      failure.path.insert(failure.path.begin(), I);
      throw;
    } catch (const decode_error& error) {
      detail::throw_member_failure(error, offset(), I);
    }
  }

  template <typename M>
  void read_member(M& member) {
    if constexpr (detail::record<M>) {
      read_members(member);
    } else if constexpr (detail::item_value<M>) {
      member = read<M>();
    } else {
      detail::refuse<M>();
    }
  }

  template <detail::scalar_kind T>
  static constexpr morsel::kind kind_of_scalar() noexcept {
    if constexpr (std::is_same_v<T, unsigned char>) {
      return kind::u8;
    } else if constexpr (std::is_same_v<T, unsigned int>) {
      return kind::u32;
    } else if constexpr (std::is_same_v<T, unsigned long> || std::is_same_v<T, long>) {
      return kind::u64;  // i64 items are u64 items
    } else if constexpr (std::is_same_v<T, signed char>) {
      return kind::i8;
    } else if constexpr (std::is_same_v<T, int>) {
      return kind::i32;
    } else if constexpr (std::is_same_v<T, float>) {
      return kind::f32;
    } else {
      return kind::f64;
    }
  }

  // Moves past the item just parsed and hands its value on.
  template <typename V>
  V commit(parsed<V>&& done) noexcept(std::is_nothrow_move_constructible_v<V>) {
    cursor_ += done.size;
    return std::move(done.value);
  }

  // Pointers rather than an offset: a read is then a compare, a load and an add.
  const unsigned char* begin_ = nullptr;
  const unsigned char* cursor_ = nullptr;
  const unsigned char* end_ = nullptr;
  bool partial_ = false;
};

template <typename T>
T reader::read() {
  if constexpr (std::is_same_v<T, bool>) {
    return commit(parse_bool());
  } else if constexpr (detail::scalar_kind<T>) {
    return commit(parse_scalar<T>());
  } else if constexpr (std::is_same_v<T, std::string_view>) {
    return commit(parse_string());
  } else if constexpr (std::is_same_v<T, std::string>) {
    auto string = parse_string();
    return commit(parsed<std::string>{std::string(string.value), string.size});
  } else if constexpr (std::is_same_v<T, std::span<const unsigned char>>) {
    return commit(parse_byte_array());
  } else if constexpr (std::is_same_v<T, u64_array_view> || std::is_same_v<T, f64_array_view>) {
    return commit(parse_wide_array<typename T::iterator::value_type>());
  } else if constexpr (std::is_same_v<T, string_array_view>) {
    return commit(parse_string_array());
  } else if constexpr (std::is_same_v<T, Person>) {
    return commit(parse_person());
  } else if constexpr (std::is_same_v<T, item>) {
    return next();
  } else if constexpr (detail::record<T>) {
    return read_record<T>();
  } else if constexpr (detail::is_vector_of_kind<T>) {
    // Checked as a view first, so that the reader moves only once the vector is built.
    using element = typename T::value_type;
    if constexpr (std::is_same_v<element, unsigned char>) {
      const auto array = parse_byte_array();
      return commit(parsed<T>{T(array.value.begin(), array.value.end()), array.size});
    } else if constexpr (std::is_same_v<element, std::string>) {
      const auto strings = parse_string_array();
      return commit(parsed<T>{strings.value.to_vector(), strings.size});
    } else {
      const auto values = parse_wide_array<element>();
      return commit(parsed<T>{values.value.to_vector(), values.size});
    }
  } else {
    detail::refuse<T>();
    return T{};
  }
}

}  // namespace morsel

#endif  // MORSEL_READER_H
