// Scalar and string codecs.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

#include "wire.h"

namespace morsel {

using wire::Buffer;

namespace {

template <detail::scalar_kind T>
T checked_scalar(std::string_view decoder, const Buffer& buffer) {
  wire::require_size(decoder, buffer, detail::scalar_size<T>);
  wire::require_tag(decoder, buffer[0], detail::scalar<T>::tag);
  return detail::scalar_payload<T>(buffer.data());
}

Buffer string_item(std::string_view s) {
  return wire::header_then(detail::string_header(s.size()),
                           {reinterpret_cast<const unsigned char*>(s.data()), s.size()});
}

}  // namespace

Buffer serialize(bool value) {
  return Buffer{detail::bool_tag(value)};
}
Buffer serialize(unsigned char value) {
  return wire::scalar_item(value);
}
Buffer serialize(unsigned int value) {
  return wire::scalar_item(value);
}
Buffer serialize(unsigned long value) {
  return wire::scalar_item(value);
}
Buffer serialize(signed char value) {
  return wire::scalar_item(value);
}
Buffer serialize(int value) {
  return wire::scalar_item(value);
}
Buffer serialize(long value) {
  return wire::scalar_item(value);
}
Buffer serialize(float value) {
  return wire::scalar_item(value);
}
Buffer serialize(double value) {
  return wire::scalar_item(value);
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
  return checked_scalar<unsigned char>("deserialize_u8", buffer);
}

signed char deserialize_i8(Buffer buffer) {
  return checked_scalar<signed char>("deserialize_i8", buffer);
}

unsigned int deserialize_u32(Buffer buffer) {
  return checked_scalar<unsigned int>("deserialize_u32", buffer);
}

int deserialize_i32(Buffer buffer) {
  return checked_scalar<int>("deserialize_i32", buffer);
}

unsigned long deserialize_u64(Buffer buffer) {
  return checked_scalar<unsigned long>("deserialize_u64", buffer);
}

long deserialize_i64(Buffer buffer) {
  return checked_scalar<long>("deserialize_i64", buffer);
}

// The float decoders check the length but not the tag: whatever the first byte is, the payload is
// read as a bit pattern. The caller's buffer is never touched.
float deserialize_f32(Buffer buffer) {
  wire::require_size("deserialize_f32", buffer, detail::scalar_size<float>);
  return detail::scalar_payload<float>(buffer.data());
}

double deserialize_f64(Buffer buffer) {
  wire::require_size("deserialize_f64", buffer, detail::scalar_size<double>);
  return detail::scalar_payload<double>(buffer.data());
}

// The length byte is not read: the string is every byte from index 2 to the end.
std::string deserialize_string(Buffer buffer) {
  constexpr std::string_view decoder = "deserialize_string";
  wire::require_size(decoder, buffer, detail::kStringHeaderSize);
  wire::require_tag(decoder, buffer[0], TAG_STR4, TAG_STR);
  return std::string(
      detail::string_bytes(buffer.data(), buffer.size() - detail::kStringHeaderSize));
}

}  // namespace morsel
