// The notation's spelling of strings, floats and a Person. Everything printed is plain ASCII and
// reads back to the same bits: strings escape every byte outside printable ASCII, floats are the
// shortest text that reads back to the same value, and a NaN is printed with all its bits.
#include <bit>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <morsel/detail/hex.h>
#include <morsel/kind.h>
#include <morsel/message.h>

#include "notation.h"
#include "spelling.h"

namespace morsel_cli {
namespace {

// "0x" and the bytes of `bits`, most significant first.
template <std::unsigned_integral Bits>
void append_hex(std::string& out, Bits bits) {
  out += "0x";
  for (int shift = static_cast<int>(sizeof(Bits) - 1) * 8; shift >= 0; shift -= 8) {
    morsel::detail::append_hex_digits(
        out, static_cast<unsigned char>(bits >> static_cast<unsigned>(shift)));
  }
}

template <typename T, typename Bits>
void append_ieee(std::string& out, T value) {
  if (std::isnan(value)) {
    out += "nan:";
    append_hex(out, std::bit_cast<Bits>(value));
    return;
  }
  char digits[40];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

}  // namespace

void append_string(std::string& out, std::string_view bytes, string_header header) {
  // The header `serialize` writes for these bytes needs no mention.
  const auto usual = morsel::detail::string_header(bytes.size());
  if (header.tag != usual[0] || header.length != usual[1]) {
    out += '<';
    append_hex(out, header.tag);
    out += ' ';
    append_number(out, static_cast<unsigned int>(header.length));
    out += '>';
  }
  out += '"';
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte >= 0x20 && byte < 0x7F) {
          out += c;
        } else {
          out += "\\x";
          morsel::detail::append_hex_digits(out, byte);
        }
    }
  }
  out += '"';
}

void append_float(std::string& out, float value) {
  append_ieee<float, std::uint32_t>(out, value);
}

void append_double(std::string& out, double value) {
  append_ieee<double, std::uint64_t>(out, value);
}

void append_bytes(std::string& out, std::span<const unsigned char> bytes) {
  out += '[';
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += i == 0 ? "" : ", ";
    append_number(out, static_cast<unsigned int>(bytes[i]));
  }
  out += ']';
}

void notation_spelling::person(std::string& out, const Person& p) {
  out += "{age: ";
  append_number(out, static_cast<unsigned int>(p.age));
  out += ", height: ";
  append_float(out, p.height);
  out += '}';
}

}  // namespace morsel_cli
