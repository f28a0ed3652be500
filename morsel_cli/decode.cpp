// morsel decode: every item of the input, one per line, as "<offset>: <kind> <value>" or, with
// --json, as a JSON object; with --schema, every value of the schema's type instead.
#include <cstddef>
#include <span>
#include <string>

#include <morsel/message.h>
#include <morsel/value.h>

#include "commands.h"
#include "input.h"
#include "notation.h"
#include "output.h"
#include "units.h"
#include "values.h"

namespace morsel_cli {

int decode(const options& how) {
  const text_form form = how.json ? text_form::json : text_form::notation;
  output out;
  std::string error;
  const auto nothing_more = [](std::span<const unsigned char>, std::size_t,
                               const morsel::decode_error&) {};
  try {
    if (how.item) {
      const input_file file(how.input);
      const input_bytes whole(file, how.hex);
      error = append_decoded(out.text(), whole.bytes(), /*item=*/true, form, [](std::string&) {});
    } else if (!how.schema.empty()) {
      const schema_type schema = read_schema(how);
      value_units values(*schema.type,
                         [&out, &schema, form](std::size_t offset, std::span<const unsigned char>,
                                               const morsel::value& v) {
                           append_value_line(out.text(), offset, *schema.type, v, form);
                         });
      error = walk_input(how, out, values, nothing_more);
    } else {
      item_units items([&out, form](const shown& item) { append_line(out.text(), item, form); });
      error = walk_input(how, out, items, nothing_more);
    }
  } catch (const input_error& e) {
    (void)out.finish();  // the items read before, then the reason
    complain(e.what());
    return 1;
  }
  return finish(out, error);
}

}  // namespace morsel_cli
