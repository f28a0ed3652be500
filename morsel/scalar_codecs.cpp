// Scalar codecs: bool, the integer kinds and the floats.
#include <string_view>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

#include "lone_items.h"

namespace morsel {

using lone::Buffer;

namespace {

template <detail::scalar_kind T>
T checked_scalar(std::string_view decoder, const Buffer& buffer) {
  lone::require<detail::scalar<T>::item_kind>(decoder, buffer);
  return detail::scalar_payload<T>(buffer.data());
}

// The float decoders check the length but not the tag: whatever the first byte is, the payload is
// read as a bit pattern. The caller's buffer is never touched.
template <detail::scalar_kind T>
T float_payload(std::string_view decoder, const Buffer& buffer) {
  constexpr std::size_t size = detail::scalar_size<T>;
  if (buffer.size() < size) [[unlikely]] {
    lone::fail(decoder, detail::cut_short(size), detail::scalar<T>::item_kind, buffer);
  }
  return detail::scalar_payload<T>(buffer.data());
}

}  // namespace

Buffer serialize(bool value) {
  return Buffer{detail::bool_tag(value)};
}
Buffer serialize(unsigned char value) {
  return lone::scalar_item(value);
}
Buffer serialize(unsigned int value) {
  return lone::scalar_item(value);
}
Buffer serialize(unsigned long value) {
  return lone::scalar_item(value);
}
Buffer serialize(signed char value) {
  return lone::scalar_item(value);
}
Buffer serialize(int value) {
  return lone::scalar_item(value);
}
Buffer serialize(long value) {
  return lone::scalar_item(value);
}
Buffer serialize(float value) {
  return lone::scalar_item(value);
}
Buffer serialize(double value) {
  return lone::scalar_item(value);
}

bool deserialize_bool(Buffer buffer) {
  lone::require<kind::boolean>("deserialize_bool", buffer);
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

float deserialize_f32(Buffer buffer) {
  return float_payload<float>("deserialize_f32", buffer);
}

double deserialize_f64(Buffer buffer) {
  return float_payload<double>("deserialize_f64", buffer);
}

}  // namespace morsel
