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

#include <cstddef>
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

// Thrown when the item at the cursor needs more bytes than the stream may hold (its limit): a peer
// announcing a huge count cannot make the stream grow without bound.
class stream_limit_error : public decode_error {
 public:
  using decode_error::decode_error;
};

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
// (default 8 MiB): past it, `next()` and `read<T>()` throw stream_limit_error instead of waiting.
class stream {
 public:
  static constexpr std::size_t kDefaultLimit = std::size_t{8} << 20;

  stream() = default;
  explicit stream(std::size_t limit) : limit_(limit) {}

  // Room for at least `n` more bytes after those buffered; valid until the next call of any of
  // the three.
  std::span<unsigned char> prepare(std::size_t n);
  // Makes the first `n` bytes of the room prepared readable.
  void commit(std::size_t n);
  // Copies `bytes` in.
  void feed(std::span<const unsigned char> bytes);
  // The sender is done: no more bytes will come.
  void finish() noexcept { finished_ = true; }

  std::optional<item> next();
  template <typename T>
  std::optional<T> read();

  // After a nullopt: at least how many more bytes the item at the cursor needs (1 or more; exact
  // where the bytes received tell it). 1 otherwise.
  std::size_t needed() const noexcept { return needed_; }
  // Every byte received has been read.
  bool empty() const noexcept { return begin_ == end_; }
  bool finished() const noexcept { return finished_; }
  // Bytes read since the stream began: the offset of the item at the cursor.
  std::size_t offset() const noexcept { return consumed_ + begin_; }
  // The bytes received and not yet read.
  std::span<const unsigned char> remaining() const noexcept {
    return {buffer_.data() + begin_, end_ - begin_};
  }
  std::size_t limit() const noexcept { return limit_; }
  void set_limit(std::size_t limit) noexcept { limit_ = limit; }

 private:
  reader window() const noexcept { return reader(remaining(), !finished_, offset()); }
  // What to do when the value at the cursor is cut short: wait (nullopt), or, past the limit or
  // the end of the stream, throw. `needed` is a lower bound on the bytes it lacks.
  void wait_for(const truncated_error& cut, std::size_t needed);

  std::vector<unsigned char> buffer_;
  std::size_t begin_ = 0;     // the first byte not yet read
  std::size_t end_ = 0;       // the end of the bytes committed
  std::size_t consumed_ = 0;  // bytes dropped from the front of the buffer
  std::size_t needed_ = 1;
  std::size_t limit_ = kDefaultLimit;
  bool finished_ = false;
};

namespace detail {
// At least how many more bytes a value of type T whose bytes so far are `left` needs: exact for
// items where the bytes tell it, else at least 1.
template <typename T>
std::size_t bytes_short(std::span<const unsigned char> left) noexcept;
std::size_t item_bytes_short(std::span<const unsigned char> left, bool more_may_follow) noexcept;
}  // namespace detail

template <typename T>
std::optional<T> stream::read() {
  if (finished_ && empty()) {
    return std::nullopt;  // the message ended between values
  }
  reader in = window();
  try {
    T value = in.read<T>();
    begin_ += in.offset();
    needed_ = 1;
    return value;
  } catch (const truncated_error& cut) {
    wait_for(cut, detail::bytes_short<T>(remaining()));
    return std::nullopt;
  }
}

namespace detail {

template <typename T>
std::size_t bytes_short(std::span<const unsigned char> left) noexcept {
  const auto short_by = [&left](const measured& m) {
    return m.what == fault::cut_short && m.size > left.size() ? m.size - left.size() : 1;
  };
  if constexpr (std::is_same_v<T, item>) {
    return item_bytes_short(left, true);
  } else if constexpr (std::is_same_v<T, bool>) {
    return short_by(measure<kind::boolean>(left.data(), left.size()));
  } else if constexpr (scalar_kind<T>) {
    return short_by(measure<scalar<T>::item_kind>(left.data(), left.size()));
  } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>) {
    return short_by(measure<kind::string>(left.data(), left.size()));
  } else if constexpr (std::is_same_v<T, Person>) {
    return short_by(measure<kind::person>(left.data(), left.size()));
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>> ||
                       std::is_same_v<T, std::span<const unsigned char>>) {
    return short_by(measure<kind::u8_array>(left.data(), left.size()));
  } else if constexpr (std::is_same_v<T, std::vector<unsigned long>> ||
                       std::is_same_v<T, u64_array_view>) {
    return short_by(measure<kind::u64_array>(left.data(), left.size()));
  } else if constexpr (std::is_same_v<T, std::vector<double>> ||
                       std::is_same_v<T, f64_array_view>) {
    return short_by(measure<kind::f64_array>(left.data(), left.size()));
  } else if constexpr (item_value<T>) {
    return short_by(measure<kind::string_array>(left.data(), left.size()));
  } else {
    const std::size_t least = min_size<T>();
    return least > left.size() ? least - left.size() : 1;
  }
}

}  // namespace detail
}  // namespace morsel

#endif  // MORSEL_STREAM_H
