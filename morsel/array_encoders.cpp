// Array encoders: [tag, count % 256, elements...].
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include <morsel/morsel.h>
#include "wide_items.h"
#include "wire.h"

namespace morsel {

using wire::Buffer;

namespace {

// One 9-byte item per element, written in place into a buffer sized once. T is unsigned long or
// double: the items carry each element's 64 bits unchanged.
template <typename T>
Buffer wide_array(const std::vector<T>& values, unsigned char element_tag) {
  static_assert(sizeof(T) == 8);
  Buffer out(wire::kArrayHeaderSize + wire::kWideItemSize * values.size());
  out[0] = TAG_ARRAY;
  out[1] = wire::low_byte(values.size());
  wire::write_wide_items(out.data() + wire::kArrayHeaderSize,
                         reinterpret_cast<const unsigned char*>(values.data()), values.size(),
                         element_tag);
  return out;
}

}  // namespace

// Byte arrays share one TAG_U8 marker for all elements, written even when the array is empty.
Buffer serialize(std::vector<unsigned char> values) {
  Buffer out;
  out.reserve(wire::kArrayHeaderSize + 1 + values.size());
  out.push_back(TAG_ARRAY);
  out.push_back(wire::low_byte(values.size()));
  out.push_back(TAG_U8);
  out.insert(out.end(), values.begin(), values.end());
  return out;
}

Buffer serialize(std::vector<unsigned long> values) {
  return wide_array(values, TAG_U64);
}

Buffer serialize(std::vector<double> values) {
  return wide_array(values, TAG_F64);
}

Buffer serialize(std::vector<std::string> values) {
  std::size_t size = wire::kArrayHeaderSize;
  for (const std::string& value : values) {
    size += wire::string_item_size(value);
  }
  Buffer out(size);
  unsigned char* cursor = out.data();
  *cursor++ = TAG_STR_ARRAY;
  *cursor++ = wire::low_byte(values.size());
  for (const std::string& value : values) {
    *cursor++ = wire::string_tag(value);
    *cursor++ = wire::low_byte(value.size());
    // Raw bytes, not a C string: no terminator is wanted.
    std::memcpy(cursor, value.data(), value.size());  // NOLINT(bugprone-not-null-terminated-result)
    cursor += value.size();
  }
  return out;
}

}  // namespace morsel
