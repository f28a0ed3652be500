#include "lone_items.h"

#include <string>
#include <string_view>

#include <morsel/detail/measure.h>
#include <morsel/morsel.h>

namespace morsel::lone {

void fail(std::string_view decoder, const detail::measured& m, kind k, const Buffer& buffer) {
  std::string message(decoder);
  message += ": ";
  message += detail::explain(m, &k, buffer.data(), buffer.size(), 0, true);
  throw decode_error(message, m.short_of_bytes() ? buffer.size() : m.at);
}

}  // namespace morsel::lone
