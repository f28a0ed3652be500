// The text `decode` prints: one line per item, "<offset>: <kind> <value>".
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include <morsel/message.h>

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

std::string append_decoded(std::string& out, std::span<const unsigned char> input, bool item,
                           const std::function<void(std::string&)>& flush) {
  try {
    if (item) {
      const lone_item lone = read_lone_item(input);
      append_offset(out, 0);
      append_item(out, lone.item.value, lone.item.bytes);
      out += '\n';
      if (!lone.extra.empty()) {
        append_offset(out, lone.item.bytes.size());
        out += "extra ";
        append_bytes(out, lone.extra);
        out += '\n';
      }
      return {};
    }
    std::size_t at = 0;
    walk_message(input, at, [&](const shown& s) {
      append_line(out, s);
      flush(out);
    });
  } catch (const morsel::decode_error& e) {
    return e.what();
  }
  return {};
}

}  // namespace morsel_cli
