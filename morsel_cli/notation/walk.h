// The items of an input, as `decode` and `dump` show them: a message walked with
// morsel::reader::next(), or one item standing alone, read under the lone-item decoders' rules.
#ifndef MORSEL_CLI_WALK_H
#define MORSEL_CLI_WALK_H

#include <cstddef>
#include <span>

#include <morsel/message.h>

namespace morsel_cli {

struct shown {
  std::size_t offset;
  std::span<const unsigned char> bytes;  // the whole item
  morsel::item value;                    // its views point into the input
};

// Calls `each(shown)` for every item of the message, in order. A malformed item throws
// morsel::decode_error after the items before it have been shown; `at` then holds its offset.
template <typename Each>
void walk_message(std::span<const unsigned char> input, std::size_t& at, Each each) {
  morsel::reader in(input);
  while (!in.empty()) {
    at = in.offset();
    const morsel::item value = in.next();
    each(shown{at, input.subspan(at, in.offset() - at), value});
  }
  at = in.offset();
}

// One item standing alone, as `serialize` writes it, and the bytes after it that the lone-item
// decoders ignore (after a bool, a number or a Person; a string or an array runs to the end).
struct lone_item {
  shown item;
  std::span<const unsigned char> extra;
};

// Checks the item under the lone-item decoders' rules; throws morsel::decode_error ("byte 0: ...")
// where its decoder would.
lone_item read_lone_item(std::span<const unsigned char> input);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_WALK_H
