// morsel decode: every item of the input, one per line, as "<offset>: <kind> <value>".
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <morsel/message.h>

#include "commands.h"
#include "io.h"
#include "notation.h"

namespace morsel_cli {

int decode(const options& how) {
  std::optional<input_bytes> read;
  try {
    read.emplace(how.path, how.hex);
  } catch (const input_error& e) {
    complain(e.what());
    return 1;
  }
  const std::span<const unsigned char> input = read->bytes();
  output out;
  const std::string error =
      append_decoded(out.text(), input, how.item, [&out](std::string&) { out.flush_if_large(); });
  if (!out.finish()) {
    complain(out.error());
    return 1;
  }
  if (!error.empty()) {
    complain(error);
    return 1;
  }
  return 0;
}

}  // namespace morsel_cli
