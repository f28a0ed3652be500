#include "walk.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include <morsel/detail/measure.h>
#include <morsel/kind.h>
#include <morsel/message.h>

namespace morsel_cli {
namespace {

using Bytes = std::span<const unsigned char>;
using morsel::kind;
namespace detail = morsel::detail;

[[noreturn]] void fail(const detail::measured& m, const kind* k, Bytes input) {
  throw morsel::decode_error(
      "byte 0: " + detail::explain(m, k, input.data(), input.size(), 0, /*lone=*/false),
      m.short_of_bytes() ? input.size() : m.at);
}

// The value of a lone item of kind `k` that runs to the end of `input`: its count byte holds the
// number of elements only modulo 256, so they are counted.
morsel::item running_to_end(kind k, Bytes input) {
  const Bytes elements = input.subspan(detail::info(k).header_size);
  switch (k) {
    case kind::string:
      return std::string_view(reinterpret_cast<const char*>(elements.data()), elements.size());
    case kind::u8_array:
      return elements;
    case kind::u64_array:
      return morsel::u64_array_view(elements.data(), elements.size() / detail::kWideItemSize);
    case kind::f64_array:
      return morsel::f64_array_view(elements.data(), elements.size() / detail::kWideItemSize);
    default: {
      std::size_t count = 0;
      for (std::size_t at = 0; at < elements.size(); ++count) {
        at += detail::measure_string(elements.data() + at, elements.size() - at).size;
      }
      return morsel::string_array_view(elements.data(), count, elements.size());
    }
  }
}

}  // namespace

lone_item read_lone_item(Bytes input) {
  const detail::classified found =
      detail::classify(input.data(), input.size(), detail::framing::lone);
  if (!found.problem.whole()) {
    fail(found.problem, nullptr, input);
  }
  const detail::measured m = detail::measure_lone(found.k, input.data(), input.size());
  if (!m.whole()) {
    fail(m, &found.k, input);
  }
  const Bytes item = input.first(m.size);
  if (detail::info(found.k).runs_to_end) {
    return {{0, item, running_to_end(found.k, input)}, {}};
  }
  // A fixed-size item reads as it does in a message.
  return {{0, item, morsel::reader(item).next()}, input.subspan(m.size)};
}

}  // namespace morsel_cli
