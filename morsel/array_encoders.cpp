// Array encoders: [tag, count % 256, elements...], each written into a buffer sized once.
#include <span>
#include <string>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

#include "wire.h"

namespace morsel {

using wire::Buffer;

Buffer serialize(std::vector<unsigned char> values) {
  return wire::header_then(detail::byte_array_header(values.size()), values);
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
