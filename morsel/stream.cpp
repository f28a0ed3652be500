// The stream's buffer, and what it does when an item is cut short.
#include <morsel/stream.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include <morsel/detail/measure.h>
#include <morsel/item.h>
#include <morsel/reader.h>
#include <morsel/value.h>

namespace morsel {

stream::stream(const stream& other) : stream_state(other), buffer_(other.buffer_) {
  rewindow_at(other.begin());
}

void stream::swap(stream& other) noexcept {
  const std::size_t first = begin();
  const std::size_t other_first = other.begin();
  std::swap(buffer_, other.buffer_);
  std::swap(static_cast<stream_state&>(*this), static_cast<stream_state&>(other));
  rewindow_at(other_first);
  other.rewindow_at(first);
}

void stream::make_room(std::size_t n) {
  const std::size_t done = begin();
  const std::size_t unread = end_ - done;
  if (n > buffer_.max_size() - unread) {
    throw std::length_error("morsel::stream: buffer too large");  // before anything changes
  }
  // Reclaim the bytes read when they are at least as many as those still to read: each byte is
  // then moved at most once more than it is read, however small the chunks.
  if (done != 0 && done >= unread) {
    if (unread != 0) {
      std::memmove(buffer_.data(), buffer_.data() + done, unread);
    }
    consumed_ += done;
    end_ = unread;
    rewindow_at(0);
  }
  if (buffer_.size() - end_ < n) {
    // The bytes stay where they are if this throws: the reader needs no new window then.
    buffer_.resize(std::max({end_ + n, buffer_.size() * 2, std::size_t{4096}}));
    rewindow();
  }
}

void stream::refuse_commit() {
  throw std::out_of_range("morsel::stream::commit: more bytes than were prepared");
}

void stream::keep_unread(std::size_t read, std::span<const unsigned char> rest) {
  consumed_ += read;
  rewindow();  // offsets now count the bytes read in place
  feed(rest);
}

std::optional<item> stream::next() {
  if (still_short(&type_key<item>) || (finished_ && empty())) {
    return std::nullopt;  // the message ended between items, or the bytes lacking have not come
  }
  const std::span<const unsigned char> rest = remaining();
  const auto measured = [&] {
    const detail::classified found =
        detail::classify(rest.data(), rest.size(), detail::framing::partial);
    return found.problem.whole() ? detail::measure(found.k, rest.data(), rest.size())
                                 : found.problem;
  };
  if (!finished_ && !far_from_end(rest.size(), detail::kMostItemSize)) {
    const detail::measured m = measured();
    if (m.short_of_bytes()) {
      wait_for(m.size - rest.size(), &type_key<item>);  // short: it needs more than there are
      return std::nullopt;
    }
  }
  const std::size_t before = in_.offset();
  try {
    item value = in_.next();
    read_one(in_.offset() - before);
    return value;
  } catch (const truncated_error&) {
    if (finished_) {
      throw;
    }
    // The read threw on this very measure (an item is read as it is measured), which says the
    // item needs more bytes than there are.
    const detail::measured m = measured();
    wait_for(m.size - rest.size(), &type_key<item>);
    return std::nullopt;
  }
}

bool stream::read_value(const type& t, value& into) {
  if (still_short(&t) || (finished_ && empty())) {
    return false;
  }
  const std::size_t before = in_.offset();
  try {
    morsel::read_value(in_, t, into);
  } catch (const truncated_error& e) {
    if (finished_) {
      throw;
    }
    // No measure of a type known at run time: the error says how far the bytes must reach.
    const std::size_t received = consumed_ + end_;
    wait_for(e.wanted_end() > received ? e.wanted_end() - received : 1, &t);
    return false;
  }
  read_one(in_.offset() - before);
  return true;
}

void stream::refuse_past_limit(std::size_t size) const {
  throw stream_limit_error(
      "byte " + std::to_string(offset()) + ": the value needs at least " + std::to_string(size) +
          " bytes buffered, more than the stream's limit of " + std::to_string(limit_),
      offset() + (end_ - begin()));
}

void stream::wait_for(std::size_t needed, const void* asked) {
  needed = std::max<std::size_t>(needed, 1);
  const std::size_t buffered = end_ - begin();
  if (needed > limit_ || buffered > limit_ - needed) {
    refuse_past_limit(detail::saturating_add(buffered, needed));
  }
  short_of_ = asked;
  ready_at_ = consumed_ + end_ + needed;
}

}  // namespace morsel
