// morsel::stream: reads a message as its bytes arrive, from a socket, a pipe or a file, into a
// buffer it owns. Needs C++20.
//
//   morsel::stream in;
//   for (;;) {
//     while (std::optional<morsel::item> item = in.next()) {
//       handle(*item);                        // views point into the stream: use them now
//     }
//     const std::span<unsigned char> room = in.prepare(65536);
//     const ssize_t n = ::read(fd, room.data(), room.size());
//     if (n <= 0) break;
//     in.commit(static_cast<std::size_t>(n));
//   }
//   in.finish();                              // the sender is done: what is left must be whole
//   while (auto item = in.next()) handle(*item);
#ifndef MORSEL_STREAM_H
#define MORSEL_STREAM_H

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/measure.h>
#include <morsel/item.h>
#include <morsel/morsel.h>
#include <morsel/reader.h>

namespace morsel {

struct type;
class value;

// Thrown when the item at the cursor needs more bytes than the stream may hold (its limit): a peer
// announcing a huge count cannot make the stream grow without bound.
class stream_limit_error : public decode_error {
 public:
  using decode_error::decode_error;
};

namespace detail {

// What a stream knows besides its bytes and its reader over them. None of it points into the
// buffer, so a copy or a swap takes it whole.
struct stream_state {
  static constexpr std::size_t kDefaultLimit = std::size_t{8} << 20;

  std::size_t end_ = 0;             // the end of the bytes committed, in the buffer
  std::size_t consumed_ = 0;        // bytes dropped from the front of the buffer
  const void* short_of_ = nullptr;  // the type the last wait was for
  std::size_t ready_at_ = 0;  // and how far the bytes must reach (from the stream's start) first
  std::size_t largest_ = 0;   // about the largest of the values read lately
  std::size_t limit_ = kDefaultLimit;
  std::size_t depth_limit_ = kDefaultDepthLimit;
  bool finished_ = false;
};

}  // namespace detail

// Bytes go in through `prepare` and `commit` (read() or recv() write straight into the stream) or
// `feed` (a copy); items come out through `next()` and `read<T>()`, exactly as from a
// morsel::reader over the same bytes, once they are whole.
//
// `next()` and `read<T>()` (for every T that reader::read takes, records and containers
// included) return the value when it is whole, and std::nullopt when the bytes so far end inside
// it: nothing is consumed then, and `needed()` says how many more bytes it takes at least. After
// `finish()` they return nullopt once every byte has been read. Wrong
// bytes throw decode_error, as a reader's do, naming offsets in the stream since its start; the
// stream has not moved. After `finish()` the bytes buffered are the whole rest of the message: an
// item cut short throws truncated_error instead of returning nullopt.
//
// Views (strings, arrays, items) returned by `next()` and `read<T>()` point into the stream's
// buffer: they stay valid until the next `prepare`, `commit` or `feed`.
//
// Memory: bytes already read are reclaimed when room is prepared, without moving the buffer on
// every chunk (amortised O(1) per byte); once the buffer has grown to the largest item, reading
// allocates nothing per item or per chunk. No item may need more than `limit()` bytes buffered
// (default 8 MiB): past it, `next()` and `read<T>()` throw stream_limit_error instead of waiting,
// and go on throwing for that value. A value nested deeper than `depth_limit()` records and
// containers throws decode_error, as a reader's does. `prepare` that throws leaves the stream as
// it was.
class stream : private detail::stream_state {
 public:
  using stream_state::kDefaultLimit;

  stream() = default;
  explicit stream(std::size_t limit) { limit_ = limit; }
  // A copy reads its own copy of the bytes; a stream moved from is a new stream.
  stream(const stream& other);
  stream(stream&& other) noexcept : stream() { swap(other); }
  stream& operator=(stream other) noexcept {
    swap(other);
    return *this;
  }
  ~stream() = default;
  void swap(stream& other) noexcept;

  // Room for at least `n` more bytes after those buffered; valid until the next call of any of
  // the three.
  std::span<unsigned char> prepare(std::size_t n) {
    if (buffer_.size() - end_ < n) {
      make_room(n);
    }
    return {buffer_.data() + end_, buffer_.size() - end_};
  }
  // Makes the first `n` bytes of the room prepared readable.
  void commit(std::size_t n) {
    if (n > buffer_.size() - end_) {
      refuse_commit();
    }
    end_ += n;
    in_.end_ = buffer_.data() + end_;  // the bytes stay where they are: the reader reads on
  }
  // Copies `bytes` in.
  void feed(std::span<const unsigned char> bytes) {
    if (!bytes.empty()) {
      std::memcpy(prepare(bytes.size()).data(), bytes.data(), bytes.size());
      commit(bytes.size());
    }
  }
  // Feeds `bytes` and calls `f` with every value of type T that is whole in what has come, in
  // turn, as `while (auto v = read<T>()) f(std::move(*v));` after `feed(bytes)` would; returns how
  // many. The values that lie wholly in `bytes` are read where they are: only a value begun before
  // (as many bytes as it lacks) and the bytes after the last whole value are copied in. Views
  // passed to `f` point into `bytes` or into the stream: use them during the call. When a value
  // is wrong or `f` throws, the bytes not yet read are kept, as `feed` keeps them, and the error
  // leaves: the values before it have been handed to `f`.
  template <typename T, typename F>
  std::size_t feed_each(std::span<const unsigned char> bytes, F&& f);
  // The sender is done: no more bytes will come.
  void finish() noexcept {
    finished_ = true;
    short_of_ = nullptr;  // no more waiting: what is cut short now throws
    rewindow();
  }

  std::optional<item> next();
  template <typename T>
  std::optional<T> read();
  // As read<T>(), into `value`, reusing its storage as reader::read_into does: true when the value
  // was whole and is read, false where read<T>() returns nullopt (`value` is then valid but
  // unspecified).
  template <typename T>
  bool read_into(T& value);
  // A value of a type known at run time (morsel/value.h), read into `into` as read<T>() reads
  // the C++ type: true when it was whole, false as read<T>() returns nullopt (`into` is then
  // valid but unspecified).
  bool read_value(const type& t, value& into);

  // After a nullopt: at least how many more bytes the item at the cursor needs (1 or more; exact
  // where the bytes received tell it). 1 otherwise.
  std::size_t needed() const noexcept {
    const std::size_t received = consumed_ + end_;
    return ready_at_ > received ? ready_at_ - received : 1;
  }
  // Every byte received has been read.
  bool empty() const noexcept { return in_.empty(); }
  bool finished() const noexcept { return finished_; }
  // Bytes read since the stream began: the offset of the item at the cursor.
  std::size_t offset() const noexcept { return consumed_ + begin(); }
  // The bytes received and not yet read.
  std::span<const unsigned char> remaining() const noexcept { return in_.remaining(); }
  std::size_t limit() const noexcept { return limit_; }
  void set_limit(std::size_t limit) noexcept { limit_ = limit; }
  // How many records and containers may be open around a value read.
  std::size_t depth_limit() const noexcept { return depth_limit_; }
  void set_depth_limit(std::size_t limit) noexcept {
    depth_limit_ = limit;
    in_.set_depth_limit(limit);
  }

 private:
  // The first byte not yet read, in the buffer.
  std::size_t begin() const noexcept { return window_ + in_.offset(); }
  // Points the reader at the bytes not yet read, after they or the buffer changed.
  void rewindow() noexcept { rewindow_at(begin()); }
  // The same, the bytes not yet read starting `first` bytes into the buffer: the reader holds
  // pointers into the buffer, so a stream's copy cannot take its reader as it is.
  void rewindow_at(std::size_t first) noexcept {
    window_ = first;
    in_ = reader({buffer_.data() + window_, end_ - window_}, !finished_, consumed_ + window_,
                 depth_limit_);
  }
  // The value at the cursor lacks at least `needed` bytes: wait for them, unless they are past
  // the limit (then throw, and remember nothing). Until they have come, asking again for the same
  // type at the same offset answers at once: `asked` names the type (a per-type constant).
  void wait_for(std::size_t needed, const void* asked);
  bool still_short(const void* asked) const noexcept {
    // First what fails at once after a value was read. A wait lasts until a value is read (every
    // read ends in read_one, which forgets it), so it is for the value at the cursor.
    return consumed_ + end_ < ready_at_ && asked == short_of_;
  }
  // A value this far from the end of the bytes so far is read at once; nearer the end it is
  // measured first, so that waiting costs no exception. The distance follows the largest of the
  // values read lately (a run of small values with a large one now and then is the common shape),
  // so that a value cut short is rare where it is read at once.
  bool far_from_end(std::size_t rest, std::size_t most) const noexcept {
    return rest >= most || rest >= near_end_margin();
  }
  // The distance from the end within which a value is measured before it is read.
  std::size_t near_end_margin() const noexcept { return std::max(kLeastMargin, largest_); }
  // A value of `size` bytes was read: past the limit, it is refused all the same (the reader
  // goes back), as it was while it waited.
  void read_one(std::size_t size) {
    if (size > limit_) [[unlikely]] {
      in_.cursor_ -= size;
      refuse_past_limit(size);
    }
    largest_ = std::max(size, largest_ - largest_ / 256);  // forgets a large one slowly
    ready_at_ = 0;
  }
  [[noreturn]] void refuse_past_limit(std::size_t size) const;
  // Room for `n` more bytes, by reclaiming those read or growing the buffer.
  void make_room(std::size_t n);
  // Forgets the bytes buffered past the cursor (a copy of bytes about to be read in place). The
  // reader still spans them until keep_unread makes it anew, as it always does next.
  void drop_unread() noexcept { end_ = begin(); }
  // After `read` bytes of a caller's were read in place: copies in `rest`, the bytes after.
  void keep_unread(std::size_t read, std::span<const unsigned char> rest);
  [[noreturn]] static void refuse_commit();

  template <typename T>
  std::optional<T> read_new();
  // The value at the cursor, read by `read_value` once it is whole; false while it is not.
  template <typename T, typename Read>
  bool read_whole(Read read_value);
  // feed_each's values wholly in `bytes`, with every byte buffered read: read where they lie, the
  // rest copied in.
  template <typename T, typename F>
  std::size_t read_in_place(std::span<const unsigned char> bytes, F& f);
  // The value at `in`'s cursor into `value`; false where it is found cut short (it then waits in
  // the buffer). Inline, so that the reader's cursor stays in a register.
  template <typename T>
  [[gnu::always_inline]] static inline bool read_at_once(reader& in, std::optional<T>& value) {
    try {
      value.emplace(in.read<T>());
      return true;
    } catch (const truncated_error&) {
      return false;
    }
  }

  template <typename T>
  static constexpr char type_key = 0;
  static constexpr std::size_t kLeastMargin = 64;

  std::vector<unsigned char> buffer_;
  reader in_;               // over the bytes committed and not yet read when it was made
  std::size_t window_ = 0;  // where in_'s bytes start in the buffer
};

template <typename T>
std::optional<T> stream::read() {
  if constexpr (std::is_same_v<T, item>) {
    return next();
  } else {
    return read_new<T>();
  }
}

template <typename T>
std::optional<T> stream::read_new() {
  std::optional<T> value;  // the only return: made in place (see detail::read_into_new)
  (void)read_whole<T>([&] { value.emplace(in_.read<T>()); });
  return value;
}

template <typename T>
bool stream::read_into(T& value) {
  if constexpr (std::is_same_v<T, item>) {
    std::optional<item> got = next();
    if (got) {
      value = *got;
    }
    return got.has_value();
  } else {
    return read_whole<T>([&] { in_.read_into(value); });
  }
}

template <typename T, typename Read>
bool stream::read_whole(Read read_value) {
  if (still_short(&type_key<T>) || (finished_ && empty())) {
    return false;  // the message ended between values, or the bytes lacking have not come
  }
  const std::span<const unsigned char> rest = remaining();
  const auto measured = [&] {
    return detail::convention<T>::extent(rest.data(), rest.size(), depth_limit_);
  };
  if (!finished_ && !far_from_end(rest.size(), detail::max_size<T>())) {
    const detail::measured m = measured();
    if (m.what == detail::fault::cut_short) {
      wait_for(m.size - rest.size(), &type_key<T>);
      return false;
    }
  }
  const std::size_t before = in_.offset();
  try {
    read_value();
    read_one(in_.offset() - before);
    return true;
  } catch (const truncated_error&) {
    if (finished_) {
      throw;
    }
    // Read at once and found cut short (or, rarely, the measure saw a wrong byte that the read
    // reports after a part cut short): wait for what the measure says it lacks.
    const detail::measured m = measured();
    wait_for(m.what == detail::fault::cut_short && m.size > rest.size() ? m.size - rest.size() : 1,
             &type_key<T>);
    return false;
  }
}

template <typename T, typename F>
std::size_t stream::feed_each(std::span<const unsigned char> bytes, F&& f) {
  // In place where it gains: not for items (measured as they are read), nor after finish(), nor
  // for bytes too few to hold a value far from their end; and only where no value read in place
  // can be past the limit. Then a value begun in the buffer is completed there, from the front of
  // `bytes` (the bytes copied past its end are dropped), and the rest is read where it lies.
  bool in_place = false;
  if constexpr (!std::is_same_v<T, item>) {
    in_place = !finished_ && bytes.size() / 2 >= near_end_margin() && bytes.size() <= limit_;
  }
  const std::size_t bytes_start = consumed_ + end_;  // where bytes[0] is in the stream
  const std::size_t waiting_before = ready_at_;
  std::size_t copied = 0;  // the front of `bytes` in the buffer
  if (!in_place) {
    feed(bytes);
    copied = bytes.size();
  }
  std::size_t count = 0;
  bool handing_over = false;  // to `f`, whose exceptions are its own
  for (;;) {
    if (in_place && offset() >= bytes_start) {
      drop_unread();
      count += read_in_place<T>(bytes.subspan(offset() - bytes_start), f);
      copied = bytes.size();  // what it left is in the buffer, cut short or refused, read below
    }
    try {
      // The one place that reads from the buffer, so that the compiler inlines the read here.
      if (std::optional<T> value = read<T>()) {
        handing_over = true;
        std::invoke(f, std::move(*value));
        handing_over = false;
        ++count;
        continue;
      }
    } catch (const stream_limit_error&) {
      const bool all_in = copied == bytes.size();
      feed(bytes.subspan(copied));
      copied = bytes.size();
      if (all_in || handing_over) {
        throw;
      }
      // Measured with part of `bytes` in: the rest may show the value wrong before it could be
      // past the limit. Read again with all of them in, as after feed(bytes).
      in_place = false;
      continue;
    } catch (...) {
      feed(bytes.subspan(copied));  // nothing lost: the bytes not yet read stay
      throw;
    }
    if (copied == bytes.size()) {
      return count;  // the value at the cursor waits
    }
    const std::size_t more = std::min(std::max(needed(), near_end_margin()), bytes.size() - copied);
    feed(bytes.subspan(copied, more));
    copied += more;
    if (ready_at_ != waiting_before) {
      ready_at_ = 0;  // a wait of this call's, measured with part of `bytes` in: look again
    }
  }
}

template <typename T, typename F>
std::size_t stream::read_in_place(std::span<const unsigned char> bytes, F& f) {
  // A value that nests no deeper than the limit has its levels left uncounted when the reader
  // knows its limit at compile time: the value's own depth. One that nests deeper is refused as
  // read<T>() refuses it, from the buffer.
  constexpr std::size_t nesting = detail::convention<T>::nesting();
  if (nesting != detail::kUnbounded && nesting > depth_limit_) {
    keep_unread(0, bytes);
    return 0;
  }
  // A reader of its own, whose cursor stays in a register as a contiguous read's does, and a loop
  // as a contiguous read's: nothing is counted per value but the count. A value that starts
  // nearer the end than the largest lately read (past `near_end`) is measured first, as read<T>()
  // measures it. One before is read at once: it is cut short only if it is larger than those, and
  // the read says so; it is then read from the buffer, which learns its size. No value here is
  // past the limit: feed_each passes no more bytes than it.
  reader here(bytes, true, offset(), nesting != detail::kUnbounded ? nesting : depth_limit_);
  const unsigned char* const near_end = here.end_ - std::min(near_end_margin(), bytes.size());
  std::size_t count = 0;
  std::size_t lacking = 0;  // by the last value, measured cut short
  try {
    for (;;) {
      if (here.cursor_ >= near_end) [[unlikely]] {
        const std::size_t left = here.left();
        if (left == 0) {
          break;
        }
        if (left < detail::max_size<T>()) {
          const detail::measured m = detail::convention<T>::extent(here.here(), left, depth_limit_);
          if (m.what == detail::fault::cut_short) {
            lacking = m.size - left;
            break;
          }
        }
      }
      std::optional<T> value;
      if (!read_at_once(here, value)) {
        break;
      }
      std::invoke(f, std::move(*value));
      ++count;
    }
  } catch (...) {
    keep_unread(here.offset(), here.remaining());
    throw;
  }
  keep_unread(here.offset(), here.remaining());
  if (lacking != 0) {
    wait_for(lacking, &type_key<T>);  // the wait read<T>() would set, without measuring again
  }
  return count;
}

}  // namespace morsel

#endif  // MORSEL_STREAM_H
