// morsel encode: the notation (or, with --json, JSON Lines of items, or with --schema of values)
// read back into bytes, written only when all of it is good.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/morsel.h>
#include <morsel/writer.h>

#include "commands.h"
#include "input.h"
#include "json.h"
#include "notation.h"
#include "output.h"
#include "values.h"

namespace morsel_cli {

int encode(const options& how) {
  std::vector<unsigned char> bytes;
  try {
    const schema_type schema = how.schema.empty() ? schema_type{} : read_schema(how);
    const byte_buffer input = read_all(input_file(how.input));
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    if (schema.type != nullptr) {
      morsel::writer message;
      encode_json_values(text, *schema.type, message);
      bytes.assign(message.bytes().begin(), message.bytes().end());
    } else {
      const std::vector<parsed_item> items =
          how.json ? parse_json_items(text) : parse_notation(text);
      if (how.item) {
        bytes = encode_lone_item(items);
      } else {
        encoded message = encode_message(items);
        for (const std::string& warning : message.warnings) {
          complain("warning: " + warning);
        }
        bytes = std::move(message.bytes);
      }
    }
  } catch (const input_error& e) {
    complain(e.what());
    return 1;
  } catch (const notation_error& e) {
    complain(e.what());
    return 1;
  }
  if (how.hex) {
    // As printVec prints: the stream's error flag keeps any failed write for the check below.
    errno = 0;
    morsel::printVec(bytes);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
      complain(std::string("standard output: ") +
               (errno != 0 ? std::strerror(errno) : "write error"));
      return 1;
    }
    return 0;
  }
  output out;
  out.write(bytes);
  return finish(out, "");
}

}  // namespace morsel_cli
