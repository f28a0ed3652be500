// The morsel tool's notation and its JSON, both ways. As text, any input either encodes or is
// refused with notation_error, never a crash; what encodes, and decodes again, prints and encodes
// to the same bytes. As bytes, any input that decode accepts prints as text that encodes back to it
// bit for bit, as a message and as one lone item.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "json.h"
#include "notation.h"

namespace {

using morsel_fuzz::require;

using Bytes = std::vector<unsigned char>;

const auto kNoFlush = [](std::string&) {};

using morsel_cli::text_form;

Bytes encode(std::string_view text, bool lone, text_form form) {
  const std::vector<morsel_cli::parsed_item> items = form == text_form::json
                                                         ? morsel_cli::parse_json_items(text)
                                                         : morsel_cli::parse_notation(text);
  return lone ? morsel_cli::encode_lone_item(items) : morsel_cli::encode_message(items).bytes;
}

// Bytes decode accepts print as text, in either form, that encodes back to them.
void check_bytes(std::span<const unsigned char> bytes, bool lone, text_form form) {
  std::string text;
  if (!morsel_cli::append_decoded(text, bytes, lone, form, kNoFlush).empty()) {
    return;  // refused, with a message
  }
  const Bytes again = encode(text, lone, form);  // must not throw
  require(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
}

void check_text(std::string_view text, bool lone, text_form form) {
  Bytes bytes;
  try {
    bytes = encode(text, lone, form);
  } catch (const morsel_cli::notation_error&) {
    return;
  }
  check_bytes(bytes, lone, form);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> bytes(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const bool lone : {false, true}) {
    for (const text_form form : {text_form::notation, text_form::json}) {
      check_bytes(bytes, lone, form);
      check_text(text, lone, form);
    }
  }
  return 0;
}
