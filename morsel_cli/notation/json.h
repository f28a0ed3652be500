// Items as JSON, one object per line (JSON Lines): {"offset":0,"kind":"u32","value":7}, the kind
// in the notation's word. The mapping of values keeps every bit through any JSON tool, jq 1.6
// (which reads every number as a double) included; docs/format.md describes it:
//   bool              true, false
//   u8, u32, i8, i32  numbers; u64 a number up to 2^53, past it a string of its decimal digits
//   f32, f64          numbers in their shortest round-trip form; a NaN, the infinities and -0 as
//                     strings in the notation's spelling: "nan:0x7fa12345", "inf", "-inf", "-0"
//   string            a JSON string when its bytes are valid UTF-8, else {"hex":"ff00"}; under a
//                     header other than the usual one, {"tag":171,"length":4,"string":...}
//   arrays            JSON arrays of the elements' values
//   person            {"age":30,"height":1.5}
//   extra (--item)    an array of the byte values
#ifndef MORSEL_CLI_JSON_H
#define MORSEL_CLI_JSON_H

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/message.h>

#include "notation.h"
#include "walk.h"

namespace morsel_cli {

// One line of `decode --json`.
void append_json_line(std::string& out, const shown& item);
// The line of --item's extra bytes, at `offset`.
void append_json_extra(std::string& out, std::size_t offset, std::span<const unsigned char> bytes);

// Reads such objects, any whitespace between them, "offset" optional and ignored. Throws
// notation_error naming the line and column and what was expected.
std::vector<parsed_item> parse_json_items(std::string_view text);
// The same for a part of a longer text (notation.h).
parsed_part parse_json_items_part(std::string_view text, const text_part& where);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_JSON_H
