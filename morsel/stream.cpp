// The stream's buffer, and what it does when an item is cut short.
#include <morsel/stream.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include <morsel/detail/measure.h>
#include <morsel/item.h>
#include <morsel/reader.h>

namespace morsel {

std::span<unsigned char> stream::prepare(std::size_t n) {
  if (buffer_.size() - end_ < n) {
    // Reclaim the bytes read when they are at least as many as those still to read: each byte is
    // then moved at most once more than it is read, however small the chunks.
    const std::size_t unread = end_ - begin_;
    if (begin_ != 0 && begin_ >= unread) {
      if (unread != 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, unread);
      }
      consumed_ += begin_;
      begin_ = 0;
      end_ = unread;
    }
    if (buffer_.size() - end_ < n) {
      if (n > buffer_.max_size() - end_) {
        throw std::length_error("morsel::stream: buffer too large");
      }
      buffer_.resize(std::max({end_ + n, buffer_.size() * 2, std::size_t{4096}}));
    }
  }
  return {buffer_.data() + end_, buffer_.size() - end_};
}

void stream::commit(std::size_t n) {
  if (n > buffer_.size() - end_) {
    throw std::out_of_range("morsel::stream::commit: more bytes than were prepared");
  }
  end_ += n;
}

void stream::feed(std::span<const unsigned char> bytes) {
  if (bytes.empty()) {
    return;
  }
  std::memcpy(prepare(bytes.size()).data(), bytes.data(), bytes.size());
  commit(bytes.size());
}

std::optional<item> stream::next() {
  if (finished_ && empty()) {
    return std::nullopt;  // the message ended between items
  }
  reader in = window();
  try {
    item value = in.next();
    begin_ += in.offset();
    needed_ = 1;
    return value;
  } catch (const truncated_error& cut) {
    wait_for(cut, detail::item_bytes_short(remaining(), !finished_));
    return std::nullopt;
  }
}

void stream::wait_for(const truncated_error& cut, std::size_t needed) {
  if (finished_) {
    throw cut;
  }
  needed_ = std::max<std::size_t>(needed, 1);
  const std::size_t buffered = end_ - begin_;
  if (needed_ > limit_ || buffered > limit_ - needed_) {
    throw stream_limit_error("byte " + std::to_string(offset()) + ": the value needs at least " +
                                 std::to_string(buffered + needed_) +
                                 " bytes buffered, more than the stream's limit of " +
                                 std::to_string(limit_),
                             offset() + buffered);
  }
}

namespace detail {

std::size_t item_bytes_short(std::span<const unsigned char> left, bool more_may_follow) noexcept {
  const classified found =
      classify(left.data(), left.size(), more_may_follow ? framing::partial : framing::message);
  const measured m =
      found.problem.whole() ? measure(found.k, left.data(), left.size()) : found.problem;
  return m.short_of_bytes() && m.size > left.size() ? m.size - left.size() : 1;
}

}  // namespace detail
}  // namespace morsel
