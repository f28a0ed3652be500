// JSON's spelling of numbers and strings, by hand: numbers by std::to_chars, strings as JSON
// strings when their bytes are UTF-8.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include <morsel/detail/hex.h>
#include <morsel/kind.h>
#include <morsel/message.h>

#include "notation.h"
#include "spelling.h"
#include "values.h"

namespace morsel_cli {
namespace {}  // namespace

bool is_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    std::uint32_t point = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      point = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      point = lead & 0x0FU;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      point = lead & 0x07U;
    } else {
      return false;
    }
    if (bytes.size() - i < length) {
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0U) != 0x80U) {
        return false;
      }
      point = (point << 6U) | (next & 0x3FU);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    if (overlong || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

namespace {

void append_json_text(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20) {
      out += "\\u00";
      morsel::detail::append_hex_digits(out, byte);
    } else {
      out += c;
    }
  }
  out += '"';
}

void append_json_bytes_of(std::string& out, std::string_view bytes) {
  if (is_utf8(bytes)) {
    append_json_text(out, bytes);
    return;
  }
  out += "{\"hex\":\"";
  for (const char c : bytes) {
    morsel::detail::append_hex_digits(out, static_cast<unsigned char>(c));
  }
  out += "\"}";
}

// A float or double: a number when a double holds it as JSON tools read it, else the notation's
// spelling in a string. An f32's shortest form is kept only when a tool that reads it as a double
// and prints that double's shortest form gives back the same float; else the double's form is.
template <typename T>
void append_json_float(std::string& out, T value) {
  if (std::isnan(value) || std::isinf(value) || (value == 0 && std::signbit(value))) {
    out += '"';
    if constexpr (std::is_same_v<T, float>) {
      append_float(out, value);
    } else {
      append_double(out, value);
    }
    out += '"';
    return;
  }
  char digits[40];
  auto printed = std::to_chars(std::begin(digits), std::end(digits), value);
  if constexpr (std::is_same_v<T, float>) {
    double as_double = 0;
    std::from_chars(std::begin(digits), printed.ptr, as_double);
    if (static_cast<float>(as_double) != value) {
      printed = std::to_chars(std::begin(digits), std::end(digits), static_cast<double>(value));
    }
  }
  out.append(digits, printed.ptr);
}

}  // namespace

void json_spelling::unsigned_integer(std::string& out, std::uint64_t value) {
  if (value <= kExactInDouble) {
    append_number(out, value);
  } else {
    out += '"';
    append_number(out, value);
    out += '"';
  }
}

void json_spelling::signed_integer(std::string& out, std::int64_t value) {
  const bool exact = value >= -static_cast<std::int64_t>(kExactInDouble) &&
                     value <= static_cast<std::int64_t>(kExactInDouble);
  if (exact) {
    append_number(out, value);
  } else {
    out += '"';
    append_number(out, value);
    out += '"';
  }
}

void json_spelling::f32(std::string& out, float value) {
  append_json_float(out, value);
}

void json_spelling::f64(std::string& out, double value) {
  append_json_float(out, value);
}

void json_spelling::text(std::string& out, std::string_view bytes, string_header header) {
  const auto usual = morsel::detail::string_header(bytes.size());
  if (header.tag == usual[0] && header.length == usual[1]) {
    append_json_bytes_of(out, bytes);
    return;
  }
  out += "{\"tag\":";
  append_number(out, static_cast<unsigned int>(header.tag));
  out += ",\"length\":";
  append_number(out, static_cast<unsigned int>(header.length));
  out += ",\"string\":";
  append_json_bytes_of(out, bytes);
  out += '}';
}

void json_spelling::person(std::string& out, const Person& p) {
  out += "{\"age\":";
  append_number(out, static_cast<unsigned int>(p.age));
  out += ",\"height\":";
  append_json_float(out, p.height);
  out += '}';
}

void json_spelling::json_string(std::string& out, std::string_view text) {
  append_json_text(out, text);
}

}  // namespace morsel_cli
