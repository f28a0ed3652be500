// morsel::reader: a cursor over the bytes of a message, reading one item at a time in place.
// Needs C++20.
#ifndef MORSEL_READER_H
#define MORSEL_READER_H

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/describe.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/detail/measure.h>
#include <morsel/item.h>
#include <morsel/morsel.h>

namespace morsel {

// The bytes end inside the item at the cursor (or before any item, when one was asked for): more
// bytes may make it whole. A stream reader waits for them; for a whole message it is an error
// like any other decode_error.
class truncated_error : public decode_error {
 public:
  using decode_error::decode_error;
  truncated_error(const std::string& what, std::size_t stopped_at, std::size_t wanted_end)
      : decode_error(what, stopped_at), wanted_end_(wanted_end) {}

  // How far the bytes must reach (an offset, as stopped_at()) before the value can be whole, as
  // far as the bytes so far tell: past stopped_at(), or 0 when they tell nothing more.
  std::size_t wanted_end() const noexcept { return wanted_end_; }

 private:
  std::size_t wanted_end_ = 0;
};

// Says that a reader's bytes may be only the start of what is coming, as in a stream.
struct partial_t {
  explicit partial_t() = default;
};
inline constexpr partial_t partial{};

namespace detail {

// Throws the error that explains why the item at `position` is not a whole item of kind
// `expected`: truncated_error when the bytes end inside it, decode_error when they are wrong.
// `rest` is the bytes from the item on.
[[noreturn]] void reject(std::span<const unsigned char> rest, std::size_t position,
                         morsel::kind expected);
// The same for a long value (long_form.h), `what` naming it ("string", "f64 array").
[[noreturn]] void reject_long(const measured& m, std::string_view what,
                              std::span<const unsigned char> rest, std::size_t position);
// A part of the value read failed: its message, with the path from the value's type `root`, as
// the library's error ("byte 93: Frame.readings[2].value: ...").
[[noreturn]] void throw_part_failure(const part_failure& failure, std::string_view root);
// Called from a catch block: what failed inside the part at `step`, as a part_failure.
[[noreturn]] void rethrow_in_part(path_step step);
[[noreturn]] void throw_count_too_large(std::size_t count_offset, std::size_t count,
                                        std::size_t needed, std::size_t left,
                                        std::size_t stopped_at);
[[noreturn]] void throw_bad_index(std::size_t offset, std::size_t index, std::size_t alternatives);
[[noreturn]] void throw_count_mismatch(std::size_t offset, std::size_t count, std::size_t expected);
[[noreturn]] void throw_long_view(std::size_t offset, std::size_t length, std::string_view what,
                                  std::string_view instead);
[[noreturn]] void throw_long_fits_short(std::size_t offset, std::size_t count);
[[noreturn]] void throw_nested_too_deep(std::size_t offset, std::size_t limit);

}  // namespace detail

// Reads items in order from bytes it neither copies nor owns: views it returns (strings, arrays,
// items) point into those bytes.
//
// `read<T>()` takes the item at the cursor as a T, checking its tag exactly (floats too: 0xA8 for
// float, 0xA9 for double; long and unsigned long both read 0xA4) and that the whole item is
// there, then moves past it. T is any type `writer::write` takes as a value (bool, the integer
// and float kinds, Person, records and containers), std::string_view (a view into the bytes) or
// std::string, one of the four vector types, or a view: std::span<const unsigned char> for a byte
// array, u64_array_view, f64_array_view, string_array_view; or `item`, as `next()`. A 0xAA string
// must have length byte 4. A std::string, a vector or a std::array reads either form of its
// value, the item or the long form (writer.h); a view reads the item only, in place, and refuses
// a long value, whose bytes are in parts: read a std::string or a std::vector instead.
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
// throw truncated_error, a decode_error. A record or container nested deeper than
// `depth_limit()` throws decode_error ("nested deeper than 256"). After a throw the reader has not
// moved. Nothing is ever read outside the bytes, and no count makes it take more memory than a
// small multiple of the bytes left.
class reader {
 public:
  static constexpr std::size_t default_depth_limit = detail::kDefaultDepthLimit;

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
  // Reads what read<T>() reads into `value`, reusing the storage it already has: a string's or a
  // vector's capacity, a vector's elements, an optional's value, a map's or a set's nodes (those
  // past a smaller count are freed). Reading many values into one then allocates only where a
  // value outgrows what the last one left. After
  // a throw, `value` is valid but unspecified, and the reader has not moved. Views (string_view,
  // the array views) and items are read as read<T>() reads them.
  template <typename T>
  void read_into(T& value);

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

  // How many records and containers may be open around a value read.
  std::size_t depth_limit() const noexcept { return depth_limit_; }
  void set_depth_limit(std::size_t limit) noexcept { depth_limit_ = limit; }

 private:
  friend class stream;
  template <typename, detail::shape>
  friend struct detail::convention;
  template <typename>
  friend struct detail::fixed_item;
  template <typename>
  friend struct detail::in_a_row;
  friend struct detail::dynamic_reader;
  friend struct detail::dynamic_writer;
  template <typename>
  friend struct detail::array_of;

  // The bytes of a stream so far, `origin` bytes into it: errors name offsets in the stream.
  reader(std::span<const unsigned char> bytes, bool more_may_follow, std::size_t origin,
         std::size_t depth_limit) noexcept
      : reader(bytes) {
    partial_ = more_may_follow;
    origin_ = origin;
    depth_limit_ = depth_limit;
  }
  // Where the cursor is in the whole input, as errors name it.
  std::size_t position() const noexcept { return origin_ + offset(); }

  const unsigned char* here() const noexcept { return cursor_; }
  std::size_t left() const noexcept { return static_cast<std::size_t>(end_ - cursor_); }
  void advance(std::size_t n) noexcept { cursor_ += n; }
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

  // The size of the whole item of kind K at the cursor, or 0 when there is none (its long form,
  // bytes cut short or wrong): the values that may take a long form try the item first.
  template <morsel::kind K>
  std::size_t whole_size() const noexcept {
    const detail::measured m = detail::measure<K>(here(), left());
    return m.whole() ? m.size : 0;
  }
  template <morsel::kind K>
  [[noreturn]] void reject_item() const {
    detail::reject(remaining(), position(), K);
  }

  // The value of the item of kind K at the cursor, and the cursor moved past it.
  template <morsel::kind K>
  auto take() {
    const std::size_t size = checked<K>();
    auto value = detail::value_at<K>(here(), size);
    cursor_ += size;
    return value;
  }

  // A long string at the cursor, into `value`.
  void take_long_string(std::string& value);

  // A value read whole or not at all: when a part fails, the cursor goes back to its start
  // before the error leaves.
  template <typename T>
  void read_whole(T& value) {
    whole<T>([&] { detail::convention<T>::read(*this, value); });
  }
  // What `read_value` returns, read whole or not at all, as a value of T.
  template <typename T, typename Read>
  decltype(auto) whole(Read read_value) {
    const unsigned char* start = cursor_;
    try {
      return read_value();
    } catch (const detail::part_failure& failure) {
      cursor_ = start;
      detail::throw_part_failure(failure, detail::spelled<T>());
    } catch (...) {  // an item's own error, or out of memory for a string or vector
      cursor_ = start;
      throw;
    }
  }

  // ---- What the conventions read beyond items.

  // The u32 item of a count or a long value's length.
  std::size_t read_count() { return take<kind::u32>(); }

  // `read_elements` reads `count` elements that take at least `least_each` bytes each. When the
  // bytes left cannot hold them, a wrong byte among those there is reported first, and otherwise
  // the count (the bytes end inside the container, so this is a truncated_error).
  template <typename ReadElements>
  void counted(std::size_t count, std::size_t count_offset, std::size_t least_each,
               ReadElements read_elements) {
    const std::size_t room = left();
    if (count <= room / least_each) [[likely]] {
      read_elements();
      return;
    }
    try {
      read_elements();
      return;
    } catch (const detail::part_failure& failure) {
      if (failure.type != detail::part_failure::error::truncated) {
        throw;
      }
    } catch (const truncated_error&) {
    }
    detail::throw_count_too_large(count_offset, count, detail::saturating_mul(count, least_each),
                                  room, origin_ + bytes().size());
  }

  // A u8 item holding the index of one of `alternatives`.
  std::size_t read_index(std::size_t alternatives) {
    const std::size_t index = take<kind::u8>();
    if (index >= alternatives) [[unlikely]] {
      cursor_ -= detail::scalar_size<unsigned char>;
      detail::throw_bad_index(position(), index, alternatives);
    }
    return index;
  }

  [[noreturn]] void refuse_count(std::size_t count, std::size_t expected) const {
    detail::throw_count_mismatch(position(), count, expected);
  }
  [[noreturn]] static void refuse_fits_short(std::size_t offset, std::size_t count) {
    detail::throw_long_fits_short(offset, count);
  }
  [[noreturn]] void reject_long(const detail::measured& m, std::string_view what) const {
    detail::reject_long(m, what, remaining(), position());
  }
  [[noreturn]] void refuse_long_view(std::string_view what, std::string_view instead) const {
    detail::throw_long_view(position(),
                            left() >= detail::kLengthItemSize ? detail::long_length(here()) : 0,
                            what, instead);
  }

  // One more record or container open while the level lives, counted where it must be.
  class level {
   public:
    level(reader& owner, bool counted) : owner_(counted ? &owner : nullptr) {
      if (owner_ != nullptr) {
        if (owner_->depth_ >= owner_->depth_limit_) [[unlikely]] {
          detail::throw_nested_too_deep(owner_->position(), owner_->depth_limit_);
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
    reader* owner_;
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
  [[noreturn]] static void fail_at(detail::path_step step) {
    detail::rethrow_in_part(std::move(step));
  }
  // Entry `step` at `at` is wrong as a whole (a map's repeated key).
  [[noreturn]] static void fail_entry(detail::path_step step, std::size_t at,
                                      std::string_view what) {
    throw detail::part_failure{
        {std::move(step)}, at, at, std::string(what), detail::part_failure::error::decode};
  }

  // Pointers rather than an offset: a read is then a compare, a load and an add.
  const unsigned char* begin_ = nullptr;
  const unsigned char* cursor_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::size_t origin_ = 0;
  std::size_t depth_ = 0;
  std::size_t depth_limit_ = default_depth_limit;
  bool partial_ = false;
};

template <typename T>
T reader::read() {
  if constexpr (std::is_same_v<T, bool>) {
    return take<kind::boolean>();
  } else if constexpr (detail::scalar_kind<T>) {
    return static_cast<T>(take<detail::scalar<T>::item_kind>());
  } else if constexpr (std::is_same_v<T, Person>) {
    return take<kind::person>();
  } else if constexpr (std::is_same_v<T, item>) {
    return next();
  } else if constexpr (detail::shape_of<T>() == detail::shape::text_view ||
                       detail::shape_of<T>() == detail::shape::item_view) {
    T value{};
    detail::convention<T>::read(*this, value);  // one item: nothing to go back from
    return value;
  } else if constexpr (detail::shape_of<T>() == detail::shape::surrogate) {
    return whole<T>([&] { return detail::convention<T>::take(*this); });  // no T made first
  } else if constexpr (detail::writable<T>) {
    T value{};
    read_whole(value);
    return value;
  } else {
    detail::refuse<T>();
    return T{};
  }
}

template <typename T>
void reader::read_into(T& value) {
  if constexpr (std::is_same_v<T, item> || detail::shape_of<T>() == detail::shape::text_view ||
                detail::shape_of<T>() == detail::shape::item_view) {
    value = read<T>();
  } else if constexpr (detail::writable<T>) {
    read_whole(value);
  } else {
    detail::refuse<T>();
  }
}

}  // namespace morsel

#endif  // MORSEL_READER_H
