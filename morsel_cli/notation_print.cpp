// Printing items in the notation. Everything printed is plain ASCII and reads back to the same
// bits: strings escape every byte outside printable ASCII, floats are the shortest text that
// reads back to the same value, and a NaN is printed with all its bits.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <morsel/message.h>

#include "notation.h"

namespace morsel_cli {
namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";

template <typename T>
void append_number(std::string& out, T value) {
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

void append_hex(std::string& out, std::uint64_t bits, int digits) {
  out += "0x";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    out += kHexDigits[(bits >> static_cast<unsigned>(shift)) & 0xFU];
  }
}

template <typename T, typename Bits>
void append_ieee(std::string& out, T value) {
  if (std::isnan(value)) {
    out += "nan:";
    append_hex(out, std::bit_cast<Bits>(value), sizeof(Bits) * 2);
    return;
  }
  char digits[40];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

template <typename Range, typename Append>
void append_list(std::string& out, const Range& values, Append append) {
  out += '[';
  bool first = true;
  for (const auto& value : values) {
    if (!first) {
      out += ", ";
    }
    first = false;
    append(value);
  }
  out += ']';
}

// The elements of a string array, each with its own header.
void append_strings(std::string& out, const morsel::string_array_view& strings) {
  morsel::reader elements(strings.items());
  out += '[';
  while (!elements.empty()) {
    if (elements.offset() != 0) {
      out += ", ";
    }
    const std::span<const unsigned char> at = elements.remaining();
    const string_header header{at[0], at[1]};
    append_string(out, elements.read<std::string_view>(), header);
  }
  out += ']';
}

}  // namespace

std::string_view kind_word(morsel::kind k) {
  switch (k) {
    case morsel::kind::u8_array:
      return "u8[]";
    case morsel::kind::u64_array:
      return "u64[]";
    case morsel::kind::f64_array:
      return "f64[]";
    case morsel::kind::string_array:
      return "string[]";
    case morsel::kind::person:
      return "person";
    default:
      return morsel::kind_name(k);
  }
}

void append_string(std::string& out, std::string_view bytes, string_header header) {
  // The header `serialize` writes for these bytes needs no mention.
  const auto usual = morsel::detail::string_header(bytes.size());
  if (header.tag != usual[0] || header.length != usual[1]) {
    out += '<';
    append_hex(out, header.tag, 2);
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
          out += kHexDigits[byte >> 4U];
          out += kHexDigits[byte & 0xFU];
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
  append_list(out, bytes,
              [&](unsigned char b) { append_number(out, static_cast<unsigned int>(b)); });
}

void append_item(std::string& out, const morsel::item& value,
                 std::span<const unsigned char> item_bytes) {
  const morsel::kind k = morsel::kind_of(value);
  out += kind_word(k);
  out += ' ';
  switch (k) {
    case morsel::kind::boolean:
      out += std::get<bool>(value) ? "true" : "false";
      break;
    case morsel::kind::u8:
      append_number(out, static_cast<unsigned int>(std::get<unsigned char>(value)));
      break;
    case morsel::kind::u32:
      append_number(out, std::get<unsigned int>(value));
      break;
    case morsel::kind::u64:
      append_number(out, std::get<unsigned long>(value));
      break;
    case morsel::kind::i8:
      append_number(out, static_cast<int>(std::get<signed char>(value)));
      break;
    case morsel::kind::i32:
      append_number(out, std::get<int>(value));
      break;
    case morsel::kind::f32:
      append_float(out, std::get<float>(value));
      break;
    case morsel::kind::f64:
      append_double(out, std::get<double>(value));
      break;
    case morsel::kind::string:
      append_string(out, std::get<std::string_view>(value), {item_bytes[0], item_bytes[1]});
      break;
    case morsel::kind::u8_array:
      append_bytes(out, std::get<std::span<const unsigned char>>(value));
      break;
    case morsel::kind::u64_array:
      append_list(out, std::get<morsel::u64_array_view>(value),
                  [&](unsigned long v) { append_number(out, v); });
      break;
    case morsel::kind::f64_array:
      append_list(out, std::get<morsel::f64_array_view>(value),
                  [&](double v) { append_double(out, v); });
      break;
    case morsel::kind::string_array:
      append_strings(out, std::get<morsel::string_array_view>(value));
      break;
    case morsel::kind::person: {
      const Person& person = std::get<Person>(value);
      out += "{age: ";
      append_number(out, static_cast<unsigned int>(person.age));
      out += ", height: ";
      append_float(out, person.height);
      out += '}';
      break;
    }
  }
}

}  // namespace morsel_cli
