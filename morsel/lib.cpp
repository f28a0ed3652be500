// Scalar and string codecs.
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <morsel/morsel.h>
#include "wire.h"

namespace morsel {

using wire::Buffer;

namespace {

// Reads the unsigned payload of an item whose tag has already been checked or is ignored.
template <std::unsigned_integral U>
U payload(const Buffer& buffer) {
  return wire::load_be<U>(buffer.data() + 1);
}

template <std::unsigned_integral U>
U checked_payload(std::string_view decoder, const Buffer& buffer, unsigned char tag) {
  wire::require_size(decoder, buffer, 1 + sizeof(U));
  wire::require_tag(decoder, buffer[0], tag);
  return payload<U>(buffer);
}

// Reserved once, then the string's bytes are copied in one piece.
Buffer string_item(std::string_view s) {
  Buffer out;
  out.reserve(wire::string_item_size(s));
  out.push_back(wire::string_tag(s));
  out.push_back(wire::low_byte(s.size()));
  out.insert(out.end(), wire::bytes_of(s), wire::bytes_of(s) + s.size());
  return out;
}

}  // namespace

Buffer serialize(bool value) {
  return Buffer{value ? TAG_TRUE : TAG_FALSE};
}
Buffer serialize(unsigned char value) {
  return wire::scalar_item(TAG_U8, value);
}
Buffer serialize(unsigned int value) {
  return wire::scalar_item(TAG_U32, value);
}
Buffer serialize(unsigned long value) {
  return wire::scalar_item(TAG_U64, value);
}
Buffer serialize(signed char value) {
  return wire::scalar_item(TAG_I8, std::bit_cast<std::uint8_t>(value));
}
Buffer serialize(int value) {
  return wire::scalar_item(TAG_I32, std::bit_cast<std::uint32_t>(value));
}
Buffer serialize(long value) {
  return wire::scalar_item(TAG_U64, std::bit_cast<std::uint64_t>(value));
}
Buffer serialize(float value) {
  return wire::scalar_item(TAG_F32, std::bit_cast<std::uint32_t>(value));
}
Buffer serialize(double value) {
  return wire::scalar_item(TAG_F64, std::bit_cast<std::uint64_t>(value));
}

Buffer serialize(std::string value) {
  return string_item(value);
}

Buffer serialize(std::string_view value) {
  return string_item(value);
}

Buffer serialize(const char* value) {
  if (value == nullptr) {
    throw std::invalid_argument("serialize: null string pointer");
  }
  return string_item(value);
}

Buffer serialize(const char8_t* value) {
  if (value == nullptr) {
    throw std::invalid_argument("serialize: null string pointer");
  }
  const std::u8string_view text(value);
  return string_item({reinterpret_cast<const char*>(text.data()), text.size()});
}

bool deserialize_bool(Buffer buffer) {
  constexpr std::string_view decoder = "deserialize_bool";
  wire::require_size(decoder, buffer, 1);
  wire::require_tag(decoder, buffer[0], TAG_TRUE, TAG_FALSE);
  return buffer[0] == TAG_TRUE;
}

unsigned char deserialize_u8(Buffer buffer) {
  return checked_payload<std::uint8_t>("deserialize_u8", buffer, TAG_U8);
}

signed char deserialize_i8(Buffer buffer) {
  return std::bit_cast<signed char>(
      checked_payload<std::uint8_t>("deserialize_i8", buffer, TAG_I8));
}

unsigned int deserialize_u32(Buffer buffer) {
  return checked_payload<std::uint32_t>("deserialize_u32", buffer, TAG_U32);
}

int deserialize_i32(Buffer buffer) {
  return std::bit_cast<int>(checked_payload<std::uint32_t>("deserialize_i32", buffer, TAG_I32));
}

unsigned long deserialize_u64(Buffer buffer) {
  return checked_payload<std::uint64_t>("deserialize_u64", buffer, TAG_U64);
}

long deserialize_i64(Buffer buffer) {
  return std::bit_cast<long>(checked_payload<std::uint64_t>("deserialize_i64", buffer, TAG_U64));
}

// The float decoders check the length but not the tag: whatever the first byte is, the payload is
// read as a bit pattern. The caller's buffer is never touched.
float deserialize_f32(Buffer buffer) {
  wire::require_size("deserialize_f32", buffer, 5);
  return std::bit_cast<float>(payload<std::uint32_t>(buffer));
}

double deserialize_f64(Buffer buffer) {
  wire::require_size("deserialize_f64", buffer, 9);
  return std::bit_cast<double>(payload<std::uint64_t>(buffer));
}

// The length byte is not read: the string is every byte from index 2 to the end.
std::string deserialize_string(Buffer buffer) {
  constexpr std::string_view decoder = "deserialize_string";
  wire::require_size(decoder, buffer, 2);
  wire::require_tag(decoder, buffer[0], TAG_STR4, TAG_STR);
  return std::string(reinterpret_cast<const char*>(buffer.data()) + 2, buffer.size() - 2);
}

}  // namespace morsel
