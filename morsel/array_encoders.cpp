// Array encoders: [tag, count % 256, elements...].
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "morsel/morsel.h"
#include "morsel/wire.h"

namespace morsel {

using wire::Buffer;

namespace {

// One 9-byte item per element, written in place into a buffer sized once.
template <typename T, typename Bits>
Buffer wide_array(const std::vector<T>& values, unsigned char element_tag, Bits bits_of) {
  Buffer out(wire::kArrayHeaderSize + wire::kWideItemSize * values.size());
  unsigned char* cursor = out.data();
  *cursor++ = TAG_ARRAY;
  *cursor++ = wire::low_byte(values.size());
  for (const T& value : values) {
    *cursor++ = element_tag;
    wire::store_be(cursor, bits_of(value));
    cursor += sizeof(std::uint64_t);
  }
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
  return wide_array(values, TAG_U64, [](unsigned long v) { return std::uint64_t{v}; });
}

Buffer serialize(std::vector<double> values) {
  return wide_array(values, TAG_F64, [](double v) { return std::bit_cast<std::uint64_t>(v); });
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
