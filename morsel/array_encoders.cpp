// Array encoders: [tag, count % 256, elements...], each written into a buffer sized once.
#include <span>
#include <string>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

namespace morsel {

using Buffer = std::vector<unsigned char>;

// Reserved, not sized, like the string item: the elements are copied once, after the header.
Buffer serialize(std::vector<unsigned char> values) {
  Buffer out;
  out.reserve(detail::byte_array_size(values.size()));
  const auto header = detail::byte_array_header(values.size());
  // Byte by byte: GCC 12 at -O3 misreads an insert of the fixed-size header as an overflow.
  for (const unsigned char byte : header) {
    out.push_back(byte);
  }
  out.insert(out.end(), values.begin(), values.end());
  return out;
}

Buffer serialize(std::vector<unsigned long> values) {
  Buffer out(detail::wide_array_size(values.size()));
  detail::put_wide_array(out.data(), std::span<const unsigned long>(values));
  return out;
}

Buffer serialize(std::vector<double> values) {
  Buffer out(detail::wide_array_size(values.size()));
  detail::put_wide_array(out.data(), std::span<const double>(values));
  return out;
}

Buffer serialize(std::vector<std::string> values) {
  Buffer out(detail::string_array_size(values));
  detail::put_string_array(out.data(), values);
  return out;
}

}  // namespace morsel
