// morsel decode: every item of the input, one per line, as "<offset>: <kind> <value>".
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <morsel/message.h>

#include "commands.h"
#include "input.h"
#include "notation.h"
#include "output.h"

namespace morsel_cli {

int decode(const options& how) {
  const std::unique_ptr<input_bytes> read = open_input(how);
  if (!read) {
    return 1;
  }
  const std::span<const unsigned char> input = read->bytes();
  output out;
  const std::string error =
      append_decoded(out.text(), input, how.item, [&out](std::string&) { out.flush_if_large(); });
  return finish(out, error);
}

}  // namespace morsel_cli
