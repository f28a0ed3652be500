#include "text_parts.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

namespace morsel_cli {

bool text_parts::next(std::string_view& text, text_part& where) {
  if (place_.last) {
    return false;
  }
  // An item that ran past the last part is read whole next: a larger part, so that a long item
  // is read again a few times at most, not once for every block of it.
  if (stalled_) {
    fill_ = std::max(fill_, 2 * size_);
  }
  const void* newline = nullptr;
  for (;;) {
    if (buffer_.size() < fill_) {
      buffer_.resize(fill_);
    }
    while (!ended_ && size_ < fill_) {
      const std::size_t n = file_.read_some(std::span(buffer_).subspan(size_, fill_ - size_));
      ended_ = n == 0;
      size_ += n;
    }
    newline = size_ == 0 ? nullptr : ::memrchr(buffer_.data(), '\n', size_);
    if (newline != nullptr || ended_) {
      break;
    }
    fill_ *= 2;  // a line longer than a part: read on to its end
  }
  const auto* data = reinterpret_cast<const char*>(buffer_.data());
  std::size_t length = size_;
  if (ended_) {
    place_.last = true;
  } else {
    length = static_cast<std::size_t>(static_cast<const char*>(newline) - data) + 1;
  }
  text = std::string_view(data, length);
  where = place_;
  return true;
}

void text_parts::leave(part_rest rest) {
  stalled_ = rest.offset == 0;
  std::memmove(buffer_.data(), buffer_.data() + rest.offset, size_ - rest.offset);
  size_ -= rest.offset;
  place_.line = rest.line;
  place_.column = rest.column;
}

}  // namespace morsel_cli
