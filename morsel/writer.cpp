// The writer's cold paths: growing the buffer and refusing items a message cannot hold.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/detail/layout.h>
#include <morsel/writer.h>

namespace morsel {

namespace detail {

void throw_too_long(std::string_view what, std::size_t size, std::string_view unit) {
  std::string message = "morsel::writer: a ";
  message += what;
  message += " of " + std::to_string(size) + " ";
  message += unit;
  message += " is over 255, the most a length or count byte holds";
  throw std::length_error(message);
}

void throw_null_string() {
  throw std::invalid_argument("morsel::writer: null string pointer");
}

void throw_too_many(std::string_view container, std::size_t count) {
  std::string message = "morsel::writer: a ";
  message += container;
  message +=
      " of " + std::to_string(count) + " elements is over 4294967295, the most a u32 count holds";
  throw std::length_error(message);
}

void throw_valueless() {
  throw std::invalid_argument(
      "morsel::writer: a valueless std::variant has no alternative to write");
}

}  // namespace detail

// At least doubles, so that a message of n bytes costs O(log n) growths and O(n) copying. The
// new buffer is filled before it replaces the old one: a failed allocation changes nothing.
void writer::grow(std::size_t n) {
  constexpr std::size_t kFirstSize = 4096;
  const std::size_t used = size();
  if (n > buffer_.max_size() - used) {
    throw std::length_error("morsel::writer: message too large");
  }
  const std::size_t doubled = std::min(buffer_.size(), buffer_.max_size() / 2) * 2;
  std::vector<unsigned char> bigger(std::max({used + n, doubled, kFirstSize}));
  if (used != 0) {
    std::memcpy(bigger.data(), buffer_.data(), used);
  }
  buffer_.swap(bigger);
  cursor_ = buffer_.data() + used;
  limit_ = buffer_.data() + buffer_.size();
}

writer& writer::put_array_items(unsigned char tag, std::size_t count,
                                std::span<const unsigned char> items) {
  check_count(count);
  unsigned char* elements =
      detail::put_array_header(claim(detail::kArrayHeaderSize + items.size()), tag, count);
  if (!items.empty()) {
    std::memcpy(elements, items.data(), items.size());
  }
  return *this;
}

}  // namespace morsel
