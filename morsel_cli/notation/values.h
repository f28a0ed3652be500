// Values read by a schema (morsel/value.h), as `decode --schema` prints them and `encode --schema
// --json` reads them; docs/schema.md describes both.
#ifndef MORSEL_CLI_VALUES_H
#define MORSEL_CLI_VALUES_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <morsel/types.h>
#include <morsel/value.h>
#include <morsel/writer.h>

#include "notation.h"

namespace morsel_cli {

// One line of `decode --schema`: "<offset>: <value>" or, in JSON,
// {"offset": ..., "type": ..., "value": ...}.
void append_value_line(std::string& out, std::size_t offset, const morsel::type& t,
                       const morsel::value& v, text_form form);
// The value in the notation alone, as `dump --schema` shows it beside its bytes.
void append_value_text(std::string& out, const morsel::type& t, const morsel::value& v);

// Reads JSON Lines of values of `t`, as append_value_line writes them ("offset" ignored, "type"
// optional), and writes each to `out` as morsel::write_value writes it. Throws notation_error
// naming the line and column, the path in the value and what was expected.
void encode_json_values(std::string_view text, const morsel::type& t, morsel::writer& out);
// The same for a text read in parts (notation.h): returns where the values not read start. One
// JSON tree's and one value's storage serve every value of every part.
class json_value_encoder {
 public:
  explicit json_value_encoder(const morsel::type& t);
  ~json_value_encoder();
  json_value_encoder(const json_value_encoder&) = delete;
  json_value_encoder& operator=(const json_value_encoder&) = delete;

  part_rest encode(std::string_view text, const text_part& where, morsel::writer& out);

 private:
  struct storage;
  const morsel::type& type_;
  std::unique_ptr<storage> storage_;
};

// The type an alias stands for, through any number of aliases; any other type itself.
inline const morsel::type& resolved(const morsel::type& t) {
  const morsel::type* at = &t;
  while (at->what == morsel::type::form::alias) {
    at = at->parts.front();
  }
  return *at;
}

// What the alternative `index` of variant `t` is called: its type spelled, or where two
// alternatives are of one type, its index.
std::string alternative_name(const morsel::type& t, std::size_t index);

// Whether `bytes` are UTF-8 as JSON carries it: no overlong forms, no surrogates, nothing past
// U+10FFFF.
bool is_utf8(std::string_view bytes);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_VALUES_H
