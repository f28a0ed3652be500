// Array encoders: [tag, count % 256, elements...], each written into a buffer reserved once and
// never zero-filled first.
#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

#include "lone_items.h"

namespace morsel {

using lone::Buffer;

namespace {

// The items are laid out in blocks on the stack and appended, so that each byte of the result is
// written once. A block is a multiple of the eight elements the vector path lays out at once.
template <detail::wide_element T>
Buffer wide_array(std::span<const T> values) {
  constexpr std::size_t kBlock = 448;
  Buffer out;
  out.reserve(detail::wide_array_size(values.size()));
  const std::array<unsigned char, detail::kArrayHeaderSize> header{TAG_ARRAY,
                                                                   detail::low_byte(values.size())};
  lone::append(out, header, {});
  std::array<unsigned char, kBlock * detail::kWideItemSize> block;
  for (std::size_t done = 0; done < values.size(); done += kBlock) {
    const std::size_t count = std::min(kBlock, values.size() - done);
    detail::write_wide_items(block.data(),
                             reinterpret_cast<const unsigned char*>(values.data() + done), count,
                             detail::scalar_tag<T>);
    out.insert(out.end(), block.begin(),
               block.begin() + static_cast<std::ptrdiff_t>(count * detail::kWideItemSize));
  }
  return out;
}

}  // namespace

Buffer serialize(std::vector<unsigned char> values) {
  return lone::header_then(detail::byte_array_header(values.size()), values);
}

Buffer serialize(std::vector<unsigned long> values) {
  return wide_array(std::span<const unsigned long>(values));
}

Buffer serialize(std::vector<double> values) {
  return wide_array(std::span<const double>(values));
}

Buffer serialize(std::vector<std::string> values) {
  Buffer out;
  out.reserve(detail::string_array_size(std::span<const std::string>(values)));
  const std::array<unsigned char, detail::kArrayHeaderSize> header{TAG_STR_ARRAY,
                                                                   detail::low_byte(values.size())};
  lone::append(out, header, {});
  for (const std::string& value : values) {
    lone::append(out, detail::string_header(value.size()),
                 {reinterpret_cast<const unsigned char*>(value.data()), value.size()});
  }
  return out;
}

}  // namespace morsel
