// morsel encode: the notation (or, with --json, JSON Lines of items, or with --schema of values)
// read back into bytes. A message is encoded as its text is read, part by part, and written as it
// goes: memory holds a part and the largest item, not the input. Bad text stops it after the bytes
// of everything before it. With --hex or --item the input is read whole first, and nothing is
// written unless all of it is good.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
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
#include "text_parts.h"
#include "values.h"

namespace morsel_cli {
namespace {

// The output: standard output, or a file written in place of FILE only once all is good.
std::unique_ptr<output> open_output(const options& how) {
  return how.output.empty() ? std::make_unique<output>() : std::make_unique<output>(how.output);
}

int encode_whole(const options& how) {
  std::vector<unsigned char> bytes;
  std::unique_ptr<output> out;
  try {
    const schema_type schema = how.schema.empty() ? schema_type{} : read_schema(how);
    const byte_buffer input = read_all(input_file(how.input));
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    if (schema.type != nullptr) {
      morsel::writer values;
      json_value_encoder(*schema.type).encode(text, text_part{}, values);
      bytes = values.take();
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
    if (!how.hex) {
      out = open_output(how);
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
  out->write(bytes);
  return finish(*out, "");
}

// One part of the text into bytes, written out: where its rest starts, and the error, if any,
// that stopped it.
class part_encoder {
 public:
  part_encoder(const options& how, const morsel::type* values)
      : json_(how.json), values_(values == nullptr ? nullptr : new json_value_encoder(*values)) {}

  part_rest encode(std::string_view text, const text_part& where, output& out, std::string& error) {
    if (values_) {
      writer_.clear();
      part_rest rest;
      try {
        rest = values_->encode(text, where, writer_);
      } catch (const notation_error& e) {
        error = e.what();
      }
      out.write(writer_.bytes());
      return rest;
    }
    parsed_part part =
        json_ ? parse_json_items_part(text, where) : parse_notation_part(text, where);
    out.write(items_.encode(part.items, error));
    for (const std::string& warning : items_.take_warnings()) {
      complain("warning: " + warning);
    }
    if (error.empty()) {
      error = std::move(part.error);
    }
    return part.rest;
  }

 private:
  bool json_;
  std::unique_ptr<json_value_encoder> values_;
  morsel::writer writer_;
  message_encoder items_;
};

}  // namespace

int encode(const options& how) {
  if (how.hex || how.item) {
    return encode_whole(how);
  }
  std::unique_ptr<output> out;
  std::string error;
  try {
    const schema_type schema = how.schema.empty() ? schema_type{} : read_schema(how);
    const input_file file(how.input);
    out = open_output(how);
    part_encoder encoder(how, schema.type);
    text_parts parts(file);
    std::string_view text;
    text_part where;
    while (error.empty() && parts.next(text, where)) {
      parts.leave(encoder.encode(text, where, *out, error));
    }
  } catch (const input_error& e) {
    error = e.what();
  }
  if (!out) {
    complain(error);
    return 1;
  }
  return finish(*out, error);
}

}  // namespace morsel_cli
