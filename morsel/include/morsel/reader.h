// morsel::reader: a cursor over the bytes of a message, reading one item at a time in place.
// Needs C++20.
#ifndef MORSEL_READER_H
#define MORSEL_READER_H

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/measure.h>
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

// Throws the error that explains why the item at `offset` is not a whole item of kind `expected`:
// truncated_error when the bytes end inside it, decode_error when they are wrong. The typed reads
// call it once their measure has failed.
// `rest` is the bytes from the item on; `position` its offset in the whole input, for messages.
[[noreturn]] void reject(std::span<const unsigned char> rest, std::size_t position,
                         morsel::kind expected);

// A part's item failed inside a record or a container. Carried out of nested parts, each adding
// its position, and turned into a decode_error (or truncated_error) by the read that began it.
struct part_position {
  std::size_t index;
  bool element;  // an element of a container, else a member of a record or tuple
};

struct member_failure {
  std::vector<part_position> path;  // outermost first
  std::size_t item_offset;
  std::size_t stopped_at;
  std::string what;  // the item's message, without its "byte N: "
  bool truncated;
};

[[noreturn]] void throw_member_failure(const decode_error& error, std::size_t item_offset,
                                       part_position part);
// "byte 93: member 4[2].1 of the record at byte 1: ...": `container` names what was read.
[[noreturn]] void throw_record_error(const member_failure& failure, std::string_view container,
                                     std::size_t record_offset);
// The count of a container, refused when the bytes left cannot hold its elements.
[[noreturn]] void throw_count_too_large(std::size_t count_offset, std::size_t count,
                                        std::size_t needed, std::size_t left,
                                        std::size_t stopped_at);
[[noreturn]] void throw_bad_index(std::size_t offset, std::size_t index, std::size_t alternatives);
[[noreturn]] void throw_count_mismatch(std::size_t offset, std::size_t count, std::size_t expected);

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
// unless 0xA2 follows and the byte after it could start an item, which makes "AC 00 A2" an empty
// byte array. So "AC 00 A2 07" walks as written, an empty u64 array and the u8 item 7, but an
// empty u64 or f64 array followed by a u8 item whose value is a tag (0xa0 to 0xae) walks as an
// empty byte array; typed reads are never in doubt. At the very end of the bytes "AC 00" is an
// empty u64 array and "AC 00 A2" an empty byte array, unless the reader was made with
// `morsel::partial` (its bytes may go on, as a stream's do): then they are cut short.
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
  reader(const std::vector<unsigned char>&&, partial_t) = delete;

  template <typename T>
  T read();

  item next();
  // The kind of the item at the cursor, from its first bytes, without moving or checking the rest
  // of the item. Throws as `next()` would when even the kind cannot be told.
  morsel::kind peek() const;
  // Moves past the item at the cursor, whatever its kind, checking it as `next()` does.
  void skip();

  bool empty() const noexcept { return cursor_ == end_; }
  // Bytes read so far: where the next item starts.
  std::size_t offset() const noexcept { return static_cast<std::size_t>(cursor_ - begin_); }
  std::span<const unsigned char> bytes() const noexcept { return {begin_, end_}; }
  std::span<const unsigned char> remaining() const noexcept { return {cursor_, end_}; }

 private:
  friend class stream;
  // The bytes of a stream so far, `origin` bytes into it: errors name offsets in the stream.
  reader(std::span<const unsigned char> bytes, bool more_may_follow, std::size_t origin) noexcept
      : reader(bytes) {
    partial_ = more_may_follow;
    origin_ = origin;
  }
  // Where the cursor is in the whole input, as errors name it.
  std::size_t position() const noexcept { return origin_ + offset(); }

  const unsigned char* here() const noexcept { return cursor_; }
  std::size_t left() const noexcept { return static_cast<std::size_t>(end_ - cursor_); }
  detail::framing framing() const noexcept {
    return partial_ ? detail::framing::partial : detail::framing::message;
  }

  // The size of the whole item of kind K at the cursor, or the error that says why it is not one.
  template <morsel::kind K>
  std::size_t checked() const {
    const detail::measured m = detail::measure<K>(here(), left());
    if (!m.whole()) [[unlikely]] {
      detail::reject(remaining(), position(), K);
    }
    return m.size;
  }

  // The value of the item of kind K at the cursor, and the cursor moved past it.
  template <morsel::kind K>
  auto take() {
    const std::size_t size = checked<K>();
    auto value = detail::value_at<K>(here(), size);
    cursor_ += size;
    return value;
  }

  // A vector built from the view of kind K, the cursor moved only once it is built.
  template <typename T, morsel::kind K>
  T take_vector() {
    const std::size_t size = checked<K>();
    const auto view = detail::value_at<K>(here(), size);
    T values;
    if constexpr (K == kind::u8_array) {
      values.assign(view.begin(), view.end());
    } else {
      values = view.to_vector();
    }
    cursor_ += size;
    return values;
  }

  template <typename>
  friend struct detail::convention;

  // A record or a container reads whole or not at all: when a part fails, the cursor goes back to
  // its start before the error leaves.
  template <typename T>
  T read_whole() {
    const unsigned char* start = cursor_;
    try {
      return read_part<T>();
    } catch (const detail::member_failure& failure) {
      cursor_ = start;
      detail::throw_record_error(failure, detail::container_name<T>(), position());
    } catch (...) {  // a part's own error, or out of memory for a string or vector
      cursor_ = start;
      throw;
    }
  }

  // A part of a record or container, read as reading it alone would, but without a start to go
  // back to of its own: the read that began the whole goes back.
  template <typename P>
  P read_part() {
    if constexpr (detail::fixed_value<P> && (detail::record<P> || detail::composite<P>)) {
      P value{};
      const unsigned char* at = cursor_;
      if (left() >= detail::fixed_size<P>() && detail::get_fixed(at, value)) [[likely]] {
        cursor_ = at;
        return value;
      }
    }
    if constexpr (detail::record<P>) {
      P value{};
      read_members(value);
      return value;
    } else if constexpr (detail::composite<P>) {
      return detail::convention<P>::read(*this);
    } else if constexpr (detail::item_value<P>) {
      return read<P>();
    } else {
      detail::refuse<P>();
      return P{};
    }
  }

  // A part at a position of its container; a failure inside it names the position.
  template <typename P>
  P read_element(std::size_t index) {
    return at_position(index, true, [this] { return read_part<P>(); });
  }

  template <typename Read>
  auto at_position(std::size_t index, bool element, Read read) {
    try {
      return read();
    } catch (detail::member_failure& failure) {
      failure.path.insert(failure.path.begin(), {index, element});
      throw;
    } catch (const decode_error& error) {
      detail::throw_member_failure(error, position(), {index, element});
    }
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
    at_position(I, false, [&] {
      if constexpr (detail::record<M>) {
        read_members(member);  // in place
      } else {
        member = read_part<M>();
      }
    });
  }

  // ---- What the conventions read beyond items.

  // A u32 count of elements that take at least `element_size` bytes each: refused before any
  // memory is taken for them when the bytes left cannot hold them (the bytes end inside the
  // container, so this is a truncated_error).
  std::size_t read_count(std::size_t element_size) {
    const unsigned char* at = cursor_;
    const std::size_t count = read<unsigned int>();
    const std::size_t room = left();
    if (count > room / element_size) [[unlikely]] {
      cursor_ = at;
      detail::throw_count_too_large(position(), count, count * element_size, room,
                                    origin_ + bytes().size());
    }
    return count;
  }

  // Elements of a fixed size, for which the count has made room: false, without moving, when a
  // tag is wrong.
  template <typename Vector>
  bool read_fixed_elements(Vector& values, std::size_t count) {
    const unsigned char* at = cursor_;
    bool ok = true;
    for (std::size_t i = 0; i < count; ++i) {
      typename Vector::value_type value{};
      ok &= detail::get_fixed(at, value);
      values.push_back(value);
    }
    if (ok) {
      cursor_ = at;
    }
    return ok;
  }

  // A u8 item holding the index of one of `alternatives`.
  std::size_t read_index(std::size_t alternatives) {
    const std::size_t index = read<unsigned char>();
    if (index >= alternatives) [[unlikely]] {
      cursor_ -= detail::scalar_size<unsigned char>;
      detail::throw_bad_index(position(), index, alternatives);
    }
    return index;
  }

  // The array item of exactly N elements of type T.
  template <typename T, std::size_t N>
  std::array<T, N> read_fixed_array() {
    constexpr morsel::kind k = std::is_same_v<T, unsigned char>   ? kind::u8_array
                               : std::is_same_v<T, unsigned long> ? kind::u64_array
                               : std::is_same_v<T, double>        ? kind::f64_array
                                                                  : kind::string_array;
    const std::size_t size = checked<k>();
    const auto view = detail::value_at<k>(here(), size);
    if (view.size() != N) [[unlikely]] {
      detail::throw_count_mismatch(position(), view.size(), N);
    }
    std::array<T, N> values{};
    std::size_t i = 0;
    for (const auto value : view) {
      values[i++] = T(value);
    }
    cursor_ += size;
    return values;
  }

  // Entry `index` at `at` is wrong as a whole (a map's repeated key).
  [[noreturn]] static void fail_element(std::size_t index, std::size_t at, std::string_view what) {
    throw detail::member_failure{{{index, true}}, at, at, std::string(what), false};
  }

  // Pointers rather than an offset: a read is then a compare, a load and an add.
  const unsigned char* begin_ = nullptr;
  const unsigned char* cursor_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::size_t origin_ = 0;
  bool partial_ = false;
};

template <typename T>
T reader::read() {
  if constexpr (std::is_same_v<T, bool>) {
    return take<kind::boolean>();
  } else if constexpr (detail::scalar_kind<T>) {
    return static_cast<T>(take<detail::scalar<T>::item_kind>());
  } else if constexpr (std::is_same_v<T, std::string_view>) {
    return take<kind::string>();
  } else if constexpr (std::is_same_v<T, std::string>) {
    return T(take<kind::string>());  // a copy of the bytes, which stay where they are
  } else if constexpr (std::is_same_v<T, std::span<const unsigned char>>) {
    return take<kind::u8_array>();
  } else if constexpr (std::is_same_v<T, u64_array_view>) {
    return take<kind::u64_array>();
  } else if constexpr (std::is_same_v<T, f64_array_view>) {
    return take<kind::f64_array>();
  } else if constexpr (std::is_same_v<T, string_array_view>) {
    return take<kind::string_array>();
  } else if constexpr (std::is_same_v<T, Person>) {
    return take<kind::person>();
  } else if constexpr (std::is_same_v<T, item>) {
    return next();
  } else if constexpr (detail::record<T> || detail::composite<T>) {
    return read_whole<T>();
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    return take_vector<T, kind::u8_array>();
  } else if constexpr (std::is_same_v<T, std::vector<unsigned long>>) {
    return take_vector<T, kind::u64_array>();
  } else if constexpr (std::is_same_v<T, std::vector<double>>) {
    return take_vector<T, kind::f64_array>();
  } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
    return take_vector<T, kind::string_array>();
  } else {
    detail::refuse<T>();
    return T{};
  }
}

}  // namespace morsel

#endif  // MORSEL_READER_H
