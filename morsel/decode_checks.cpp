#include <cstddef>
#include <string>
#include <string_view>

#include <morsel/morsel.h>
#include "wire.h"

namespace morsel::wire {

std::string hex_byte(unsigned char byte) {
  constexpr std::string_view digits = "0123456789abcdef";
  return {'0', 'x', digits[byte >> 4U], digits[byte & 0xFU]};
}

std::string byte_count(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

void fail(std::string_view decoder, std::string_view what, std::size_t stopped_at) {
  std::string message(decoder);
  message += ": ";
  message += what;
  throw decode_error(message, stopped_at);
}

void fail_size(std::string_view decoder, std::size_t size, std::size_t needed) {
  fail(decoder, "need " + byte_count(needed) + ", got " + std::to_string(size), size);
}

void fail_tag(std::string_view decoder, unsigned char found, unsigned char expected) {
  fail(decoder, "expected tag " + hex_byte(expected) + ", got " + hex_byte(found), 0);
}

void fail_tags(std::string_view decoder, unsigned char found, unsigned char expected,
               unsigned char alternative) {
  fail(decoder,
       "expected tag " + hex_byte(expected) + " or " + hex_byte(alternative) + ", got " +
           hex_byte(found),
       0);
}

void fail_tag_at(std::string_view decoder, std::size_t offset, unsigned char found,
                 unsigned char expected) {
  fail(decoder,
       "expected tag " + hex_byte(expected) + " at byte " + std::to_string(offset) + ", got " +
           hex_byte(found),
       offset);
}

}  // namespace morsel::wire
