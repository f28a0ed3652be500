// The text `decode` prints: one line per item, "<offset>: <kind> <value>".
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include <morsel/message.h>

#include "json.h"
#include "notation.h"
#include "walk.h"

namespace morsel_cli {
namespace {

void append_offset(std::string& out, std::size_t offset) {
  append_number(out, offset);
  out += ": ";
}

}  // namespace

void append_line(std::string& out, const shown& item) {
  append_offset(out, item.offset);
  append_item(out, item.value, item.bytes);
  out += '\n';
}

void append_line(std::string& out, const shown& item, text_form form) {
  if (form == text_form::json) {
    append_json_line(out, item);
  } else {
    append_line(out, item);
  }
}

std::string append_decoded(std::string& out, std::span<const unsigned char> input, bool item,
                           text_form form, const std::function<void(std::string&)>& flush) {
  try {
    if (item) {
      const lone_item lone = read_lone_item(input);
      append_line(out, lone.item, form);
      if (!lone.extra.empty()) {
        if (form == text_form::json) {
          append_json_extra(out, lone.item.bytes.size(), lone.extra);
        } else {
          append_offset(out, lone.item.bytes.size());
          out += "extra ";
          append_bytes(out, lone.extra);
          out += '\n';
        }
      }
      return {};
    }
    std::size_t at = 0;
    walk_message(input, at, [&](const shown& s) {
      append_line(out, s, form);
      flush(out);
    });
  } catch (const morsel::decode_error& e) {
    return e.what();
  }
  return {};
}

}  // namespace morsel_cli
