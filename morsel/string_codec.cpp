// String codec: [TAG_STR4 or TAG_STR, length % 256, bytes...].
#include <stdexcept>
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

Buffer string_item(std::string_view s) {
  return lone::header_then(detail::string_header(s.size()),
                           {reinterpret_cast<const unsigned char*>(s.data()), s.size()});
}

}  // namespace

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

// The length byte is not read: the string is every byte from index 2 to the end.
std::string deserialize_string(Buffer buffer) {
  lone::require<kind::string>("deserialize_string", buffer);
  return std::string(
      detail::string_bytes(buffer.data(), buffer.size() - detail::kStringHeaderSize));
}

}  // namespace morsel
