// Printing items in the notation. Everything printed is plain ASCII and reads back to the same
// bits: strings escape every byte outside printable ASCII, floats are the shortest text that
// reads back to the same value, and a NaN is printed with all its bits.
#include <bit>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <morsel/message.h>

#include "notation.h"

namespace morsel_cli {
namespace {

// "0x" and the bytes of `bits`, most significant first.
template <std::unsigned_integral Bits>
void append_hex(std::string& out, Bits bits) {
  out += "0x";
  for (int shift = static_cast<int>(sizeof(Bits) - 1) * 8; shift >= 0; shift -= 8) {
    append_hex_byte(out, static_cast<unsigned char>(bits >> static_cast<unsigned>(shift)));
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
    const string_header header = header_at(elements.remaining());
    append_string(out, elements.read<std::string_view>(), header);
  }
  out += ']';
}

}  // namespace

void append_hex_byte(std::string& out, unsigned char byte) {
  constexpr std::string_view digits = "0123456789abcdef";
  out += digits[byte >> 4U];
  out += digits[byte & 0xFU];
}

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
          append_hex_byte(out, byte);
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
      append_string(out, std::get<std::string_view>(value), header_at(item_bytes));
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
