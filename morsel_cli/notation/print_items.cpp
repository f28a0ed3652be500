// The walk over items, in either spelling: what `decode` prints for each item of a message, and
// `dump` beside its bytes.
#include <cstddef>
#include <span>
#include <string>

#include <morsel/kind.h>
#include <morsel/message.h>

#include "json.h"
#include "notation.h"
#include "spelling.h"
#include "walk.h"

namespace morsel_cli {

template <typename Spelling>
void spell_item_value(std::string& out, const morsel::item& value,
                      std::span<const unsigned char> item_bytes) {
  switch (morsel::kind_of(value)) {
    case morsel::kind::boolean:
      return Spelling::boolean(out, std::get<bool>(value));
    case morsel::kind::u8:
      return Spelling::unsigned_integer(out, std::get<unsigned char>(value));
    case morsel::kind::u32:
      return Spelling::unsigned_integer(out, std::get<unsigned int>(value));
    case morsel::kind::u64:
      return Spelling::unsigned_integer(out, std::get<unsigned long>(value));
    case morsel::kind::i8:
      return Spelling::signed_integer(out, std::get<signed char>(value));
    case morsel::kind::i32:
      return Spelling::signed_integer(out, std::get<int>(value));
    case morsel::kind::f32:
      return Spelling::f32(out, std::get<float>(value));
    case morsel::kind::f64:
      return Spelling::f64(out, std::get<double>(value));
    case morsel::kind::string:
      return Spelling::text(out, std::get<std::string_view>(value), header_at(item_bytes));
    case morsel::kind::person:
      return Spelling::person(out, std::get<Person>(value));
    default: {  // the arrays
      Spelling::list_open(out);
      bool first = true;
      for_each_element(value, [&](std::span<const unsigned char> bytes, const morsel::item& e) {
        if (!first) {
          Spelling::separator(out);
        }
        first = false;
        spell_item_value<Spelling>(out, e, bytes);
      });
      Spelling::list_close(out);
    }
  }
}

template void spell_item_value<notation_spelling>(std::string&, const morsel::item&,
                                                  std::span<const unsigned char>);
template void spell_item_value<json_spelling>(std::string&, const morsel::item&,
                                              std::span<const unsigned char>);

void append_value(std::string& out, const morsel::item& value,
                  std::span<const unsigned char> item_bytes) {
  spell_item_value<notation_spelling>(out, value, item_bytes);
}

void append_item(std::string& out, const morsel::item& value,
                 std::span<const unsigned char> item_bytes) {
  out += morsel::detail::info(morsel::kind_of(value)).word;
  out += ' ';
  append_value(out, value, item_bytes);
}

namespace {

void append_json_head(std::string& out, std::size_t offset, std::string_view kind) {
  out += "{\"offset\":";
  append_number(out, offset);
  out += ",\"kind\":\"";
  out += kind;
  out += "\",\"value\":";
}

}  // namespace

void append_json_line(std::string& out, const shown& item) {
  append_json_head(out, item.offset, morsel::detail::info(morsel::kind_of(item.value)).word);
  spell_item_value<json_spelling>(out, item.value, item.bytes);
  out += "}\n";
}

void append_json_extra(std::string& out, std::size_t offset, std::span<const unsigned char> bytes) {
  append_json_head(out, offset, "extra");
  json_spelling::list_open(out);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) {
      json_spelling::separator(out);
    }
    json_spelling::unsigned_integer(out, bytes[i]);
  }
  json_spelling::list_close(out);
  out += "}\n";
}

}  // namespace morsel_cli
