// Writing items as JSON, by hand: a line per item, numbers by std::to_chars.
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

#include "json.h"
#include "notation.h"

namespace morsel_cli {
namespace {

// Integers a double holds exactly: a JSON tool that reads numbers as doubles keeps them.
constexpr unsigned long kExactInDouble = 1UL << 53U;

// Whether `bytes` are UTF-8 as JSON carries it: no overlong forms, no surrogates, nothing past
// U+10FFFF.
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

void append_json_string(std::string& out, std::string_view bytes, string_header header) {
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

void append_json_value(std::string& out, const morsel::item& value,
                       std::span<const unsigned char> item_bytes) {
  switch (morsel::kind_of(value)) {
    case morsel::kind::boolean:
      out += std::get<bool>(value) ? "true" : "false";
      break;
    case morsel::kind::u8:
      append_number(out, static_cast<unsigned int>(std::get<unsigned char>(value)));
      break;
    case morsel::kind::u32:
      append_number(out, std::get<unsigned int>(value));
      break;
    case morsel::kind::u64: {
      const unsigned long number = std::get<unsigned long>(value);
      if (number <= kExactInDouble) {
        append_number(out, number);
      } else {
        out += '"';
        append_number(out, number);
        out += '"';
      }
      break;
    }
    case morsel::kind::i8:
      append_number(out, static_cast<int>(std::get<signed char>(value)));
      break;
    case morsel::kind::i32:
      append_number(out, std::get<int>(value));
      break;
    case morsel::kind::f32:
      append_json_float(out, std::get<float>(value));
      break;
    case morsel::kind::f64:
      append_json_float(out, std::get<double>(value));
      break;
    case morsel::kind::string:
      append_json_string(out, std::get<std::string_view>(value), header_at(item_bytes));
      break;
    case morsel::kind::u8_array:
    case morsel::kind::u64_array:
    case morsel::kind::f64_array:
    case morsel::kind::string_array: {
      out += '[';
      bool first = true;
      for_each_element(value, [&](std::span<const unsigned char> bytes, const morsel::item& e) {
        if (!first) {
          out += ',';
        }
        first = false;
        append_json_value(out, e, bytes);
      });
      out += ']';
      break;
    }
    case morsel::kind::person: {
      const Person& person = std::get<Person>(value);
      out += "{\"age\":";
      append_number(out, static_cast<unsigned int>(person.age));
      out += ",\"height\":";
      append_json_float(out, person.height);
      out += '}';
      break;
    }
  }
}

void append_json_head(std::string& out, std::size_t offset, std::string_view kind) {
  out += "{\"offset\":";
  append_number(out, offset);
  out += ",\"kind\":\"";
  out += kind;
  out += "\",\"value\":";
}

}  // namespace

void append_json_line(std::string& out, const shown& item) {
  append_json_head(out, item.offset, morsel::detail::info(morsel::kind_of(item.value)).word);
  append_json_value(out, item.value, item.bytes);
  out += "}\n";
}

void append_json_extra(std::string& out, std::size_t offset, std::span<const unsigned char> bytes) {
  append_json_head(out, offset, "extra");
  out += '[';
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) {
      out += ',';
    }
    append_number(out, static_cast<unsigned int>(bytes[i]));
  }
  out += "]}\n";
}

}  // namespace morsel_cli
