// morsel decode: every item of the input, one per line, as "<offset>: <kind> <value>" or, with
// --json, as a JSON object.
#include <span>
#include <string>

#include <morsel/message.h>

#include "commands.h"
#include "input.h"
#include "notation.h"
#include "output.h"

namespace morsel_cli {

int decode(const options& how) {
  const text_form form = how.json ? text_form::json : text_form::notation;
  output out;
  std::string error;
  try {
    if (how.item) {
      const input_file file(how.input);
      const input_bytes whole(file, how.hex);
      error = append_decoded(out.text(), whole.bytes(), /*item=*/true, form, [](std::string&) {});
    } else {
      error = walk_input(
          how, out, [&out, form](const shown& item) { append_line(out.text(), item, form); },
          [](std::span<const unsigned char>, std::size_t, const morsel::decode_error&) {});
    }
  } catch (const input_error& e) {
    (void)out.finish();  // the items read before, then the reason
    complain(e.what());
    return 1;
  }
  return finish(out, error);
}

}  // namespace morsel_cli
