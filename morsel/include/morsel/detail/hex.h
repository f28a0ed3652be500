// Hex digits, written once: the library's messages ("0xa3"), the tool's dumps and its readers of
// hex text all use these. Needs C++17.
#ifndef MORSEL_DETAIL_HEX_H
#define MORSEL_DETAIL_HEX_H

#include <string>
#include <string_view>

namespace morsel::detail {

inline constexpr std::string_view kHexDigits = "0123456789abcdef";

// Two lower-case digits: "a3".
inline void append_hex_digits(std::string& out, unsigned char byte) {
  out += kHexDigits[byte >> 4U];
  out += kHexDigits[byte & 0xFU];
}

// "0xa3", as messages name a byte.
inline std::string hex_byte(unsigned char byte) {
  std::string text = "0x";
  append_hex_digits(text, byte);
  return text;
}

// 0 to 15 for a hex digit in either case, -1 for any other character.
constexpr int hex_digit_value(char c) noexcept {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_HEX_H
