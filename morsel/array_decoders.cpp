// Array decoders. The elements run to the end of the buffer; the count byte is the element count
// modulo 256 and must agree with it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

#include "lone_items.h"

namespace morsel {

using lone::Buffer;

namespace {

template <kind K, detail::wide_element T>
std::vector<T> read_wide_array(std::string_view decoder, const Buffer& buffer) {
  lone::require<K>(decoder, buffer);
  std::vector<T> values;
  values.reserve((buffer.size() - detail::kArrayHeaderSize) / detail::kWideItemSize);
  for (std::size_t offset = detail::kArrayHeaderSize; offset < buffer.size();
       offset += detail::kWideItemSize) {
    values.push_back(detail::scalar_payload<T>(buffer.data() + offset));
  }
  return values;
}

}  // namespace

std::vector<unsigned char> deserialize_u8_array(Buffer buffer) {
  lone::require<kind::u8_array>("deserialize_u8_array", buffer);
  // The buffer is this decoder's own copy: the elements move down in place, with no allocation.
  buffer.erase(buffer.begin(), buffer.begin() + detail::kByteArrayHeaderSize);
  return buffer;
}

std::vector<unsigned long> deserialize_u64_array(Buffer buffer) {
  return read_wide_array<kind::u64_array, unsigned long>("deserialize_u64_array", buffer);
}

std::vector<double> deserialize_f64_array(Buffer buffer) {
  return read_wide_array<kind::f64_array, double>("deserialize_f64_array", buffer);
}

// Checked whole first, then walked twice more: to count the elements, so that the result is
// allocated once, and to copy each element's bytes in one piece.
std::vector<std::string> deserialize_string_array(Buffer buffer) {
  lone::require<kind::string_array>("deserialize_string_array", buffer);
  const auto element_size = [&buffer](std::size_t offset) {
    return detail::kStringHeaderSize + buffer[offset + 1];
  };
  std::size_t elements = 0;
  for (std::size_t offset = detail::kArrayHeaderSize; offset < buffer.size(); ++elements) {
    offset += element_size(offset);
  }
  std::vector<std::string> values;
  values.reserve(elements);
  for (std::size_t offset = detail::kArrayHeaderSize; offset < buffer.size();) {
    values.emplace_back(detail::string_bytes(buffer.data() + offset, buffer[offset + 1]));
    offset += element_size(offset);
  }
  return values;
}

}  // namespace morsel
