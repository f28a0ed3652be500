#include <cstddef>
#include <string>
#include <string_view>

#include "morsel/morsel.h"
#include "morsel/wire.h"

namespace morsel::wire {
namespace {

std::string hex_byte(unsigned char byte) {
  constexpr std::string_view digits = "0123456789abcdef";
  return {'0', 'x', digits[byte >> 4U], digits[byte & 0xFU]};
}

std::string byte_count(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

}  // namespace

void fail(std::string_view decoder, std::string_view what) {
  std::string message(decoder);
  message += ": ";
  message += what;
  throw decode_error(message);
}

void require_size(std::string_view decoder, const Buffer& buffer, std::size_t size) {
  if (buffer.size() < size) {
    fail(decoder, "need " + byte_count(size) + ", got " + std::to_string(buffer.size()));
  }
}

void require_tag(std::string_view decoder, unsigned char found, unsigned char expected) {
  if (found != expected) {
    fail(decoder, "expected tag " + hex_byte(expected) + ", got " + hex_byte(found));
  }
}

void require_tag_at(std::string_view decoder, const Buffer& buffer, std::size_t offset,
                    unsigned char expected) {
  if (buffer[offset] != expected) {
    fail(decoder, "expected tag " + hex_byte(expected) + " at byte " + std::to_string(offset) +
                      ", got " + hex_byte(buffer[offset]));
  }
}

void require_tag(std::string_view decoder, unsigned char found, unsigned char expected,
                 unsigned char alternative) {
  if (found != expected && found != alternative) {
    fail(decoder, "expected tag " + hex_byte(expected) + " or " + hex_byte(alternative) + ", got " +
                      hex_byte(found));
  }
}

}  // namespace morsel::wire
