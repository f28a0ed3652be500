// Array decoders. The elements run to the end of the buffer; the count byte is the element count
// modulo 256 and must agree with it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

#include "wire.h"

namespace morsel {

using wire::Buffer;

namespace {

void require_count(std::string_view decoder, const Buffer& buffer, std::size_t elements) {
  if (buffer[1] != detail::low_byte(elements)) {
    wire::fail(decoder,
               "count byte is " + std::to_string(buffer[1]) +
                   ", elements found: " + std::to_string(elements),
               1);
  }
}

template <detail::wide_element T>
std::vector<T> read_wide_array(std::string_view decoder, const Buffer& buffer) {
  wire::require_size(decoder, buffer, detail::kArrayHeaderSize);
  wire::require_tag(decoder, buffer[0], TAG_ARRAY);
  const std::size_t payload = buffer.size() - detail::kArrayHeaderSize;
  if (payload % detail::kWideItemSize != 0) {
    wire::fail(decoder,
               std::to_string(payload % detail::kWideItemSize) +
                   " trailing bytes do not form a whole element",
               buffer.size() - payload % detail::kWideItemSize);
  }
  const std::size_t elements = payload / detail::kWideItemSize;
  require_count(decoder, buffer, elements);

  std::vector<T> values;
  values.reserve(elements);
  for (std::size_t offset = detail::kArrayHeaderSize; offset < buffer.size();
       offset += detail::kWideItemSize) {
    wire::require_tag_at(decoder, buffer, offset, detail::scalar<T>::tag);
    values.push_back(detail::scalar_payload<T>(buffer.data() + offset));
  }
  return values;
}

// One string element of a string array: where its bytes start and how many there are.
struct Element {
  std::size_t start;
  std::size_t length;
};

Element string_element(std::string_view decoder, const Buffer& buffer, std::size_t offset) {
  const std::size_t left = buffer.size() - offset;
  if (left < detail::kStringHeaderSize) {
    wire::fail(decoder, "element at byte " + std::to_string(offset) + " is cut short",
               buffer.size());
  }
  const unsigned char tag = buffer[offset];
  const std::size_t length = buffer[offset + 1];
  if (!detail::is_string_tag(tag)) {
    wire::fail(decoder,
               "element at byte " + std::to_string(offset) + " does not start with a string tag",
               offset);
  }
  if (tag == TAG_STR4 && length != 4) {
    wire::fail(decoder,
               "4-byte string element at byte " + std::to_string(offset) + " has length byte " +
                   std::to_string(length),
               offset + 1);
  }
  if (left - detail::kStringHeaderSize < length) {
    wire::fail(decoder,
               "element at byte " + std::to_string(offset) + " needs " + std::to_string(length) +
                   " bytes, " + std::to_string(left - detail::kStringHeaderSize) + " left",
               buffer.size());
  }
  return {offset + detail::kStringHeaderSize, length};
}

}  // namespace

std::vector<unsigned char> deserialize_u8_array(Buffer buffer) {
  constexpr std::string_view decoder = "deserialize_u8_array";
  wire::require_size(decoder, buffer, detail::kByteArrayHeaderSize);
  wire::require_tag(decoder, buffer[0], TAG_ARRAY);
  wire::require_tag_at(decoder, buffer, 2, TAG_U8);
  require_count(decoder, buffer, buffer.size() - detail::kByteArrayHeaderSize);
  // The buffer is this decoder's own copy: the elements move down in place, with no allocation.
  buffer.erase(buffer.begin(), buffer.begin() + detail::kByteArrayHeaderSize);
  return buffer;
}

std::vector<unsigned long> deserialize_u64_array(Buffer buffer) {
  return read_wide_array<unsigned long>("deserialize_u64_array", buffer);
}

std::vector<double> deserialize_f64_array(Buffer buffer) {
  return read_wide_array<double>("deserialize_f64_array", buffer);
}

// Two walks over the elements: the first checks them and counts them, so that the result is
// allocated once; the second copies each element's bytes in one piece.
std::vector<std::string> deserialize_string_array(Buffer buffer) {
  constexpr std::string_view decoder = "deserialize_string_array";
  wire::require_size(decoder, buffer, detail::kArrayHeaderSize);
  wire::require_tag(decoder, buffer[0], TAG_STR_ARRAY);
  std::size_t elements = 0;
  for (std::size_t offset = detail::kArrayHeaderSize; offset < buffer.size(); ++elements) {
    const Element element = string_element(decoder, buffer, offset);
    offset = element.start + element.length;
  }
  require_count(decoder, buffer, elements);

  std::vector<std::string> values;
  values.reserve(elements);
  for (std::size_t offset = detail::kArrayHeaderSize; offset < buffer.size();) {
    const std::size_t length = buffer[offset + 1];
    values.emplace_back(detail::string_bytes(buffer.data() + offset, length));
    offset += detail::kStringHeaderSize + length;
  }
  return values;
}

}  // namespace morsel
