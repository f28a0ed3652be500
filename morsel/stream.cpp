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
    const std::size_t done = begin();
    const std::size_t unread = end_ - done;
    if (done != 0 && done >= unread) {
      if (unread != 0) {
        std::memmove(buffer_.data(), buffer_.data() + done, unread);
      }
      consumed_ += done;
      window_ = 0;
      end_ = unread;
      in_ = reader();
    }
    if (buffer_.size() - end_ < n) {
      if (n > buffer_.max_size() - end_) {
        throw std::length_error("morsel::stream: buffer too large");
      }
      buffer_.resize(std::max({end_ + n, buffer_.size() * 2, std::size_t{4096}}));
    }
    rewindow();
  }
  return {buffer_.data() + end_, buffer_.size() - end_};
}

void stream::commit(std::size_t n) {
  if (n > buffer_.size() - end_) {
    throw std::out_of_range("morsel::stream::commit: more bytes than were prepared");
  }
  end_ += n;
  rewindow();
}

void stream::feed(std::span<const unsigned char> bytes) {
  if (bytes.empty()) {
    return;
  }
  std::memcpy(prepare(bytes.size()).data(), bytes.data(), bytes.size());
  commit(bytes.size());
}

std::optional<item> stream::next() {
  if ((finished_ && empty()) || still_short(&type_key<item>)) {
    return std::nullopt;  // the message ended between items, or the bytes lacking have not come
  }
  if (!finished_) {
    const std::span<const unsigned char> rest = remaining();
    const detail::classified found =
        detail::classify(rest.data(), rest.size(), detail::framing::partial);
    const detail::measured m =
        found.problem.whole() ? detail::measure(found.k, rest.data(), rest.size()) : found.problem;
    if (m.short_of_bytes()) {
      wait_for(m.size > rest.size() ? m.size - rest.size() : 1, &type_key<item>);
      return std::nullopt;
    }
  }
  item value = in_.next();
  needed_ = 1;
  return value;
}

void stream::wait_for(std::size_t needed, const void* asked) {
  needed_ = std::max<std::size_t>(needed, 1);
  short_of_ = asked;
  ready_at_ = consumed_ + end_ + needed_;
  const std::size_t buffered = end_ - begin();
  if (needed_ > limit_ || buffered > limit_ - needed_) {
    throw stream_limit_error("byte " + std::to_string(offset()) + ": the value needs at least " +
                                 std::to_string(buffered + needed_) +
                                 " bytes buffered, more than the stream's limit of " +
                                 std::to_string(limit_),
                             offset() + buffered);
  }
}

}  // namespace morsel
