// The text notation of items: what `morsel decode` prints and `morsel encode` reads. One item is
// "<kind> <value>", optionally after "<offset>:"; docs/format.md and morsel.1 describe it whole.
#ifndef MORSEL_CLI_NOTATION_H
#define MORSEL_CLI_NOTATION_H

#include <charconv>
#include <cstddef>
#include <functional>
#include <iterator>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <morsel/message.h>

#include "walk.h"

namespace morsel_cli {

// ---- Printing

// A number in decimal.
template <typename T>
void append_number(std::string& out, T value) {
  char digits[24];
  out.append(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
}

// The two header bytes of a string item or string-array element. Printed before the string as
// "<0xab 4>" only when they are not the ones `serialize` writes for that string.
struct string_header {
  unsigned char tag;
  unsigned char length;
};

// The header of the string item that starts at `item`.
inline string_header header_at(std::span<const unsigned char> item) {
  return {item[0], item[1]};
}

void append_string(std::string& out, std::string_view bytes, string_header header);
void append_float(std::string& out, float value);
void append_double(std::string& out, double value);
void append_bytes(std::string& out, std::span<const unsigned char> bytes);  // "[1, 2]"

// The value of `value`, an item whose bytes are `item_bytes` (for the string headers), in a
// spelling (spelling.h): the notation's "7", "\"abc\"", "[1, 2]", or JSON's.
template <typename Spelling>
void spell_item_value(std::string& out, const morsel::item& value,
                      std::span<const unsigned char> item_bytes);
// In the notation.
void append_value(std::string& out, const morsel::item& value,
                  std::span<const unsigned char> item_bytes);

// "<kind> <value>", the kind in the notation's word for it ("u8[]", "person").
void append_item(std::string& out, const morsel::item& value,
                 std::span<const unsigned char> item_bytes);

// Calls `each(element_bytes, element)` for every element of an array item, in order: a byte
// array's elements are its raw bytes, as u8 values; the others' are items, checked when the array
// was read. An item that is not an array has no elements.
template <typename Each>
void for_each_element(const morsel::item& value, Each each) {
  const auto items = [&each](const auto& view, auto size_of) {
    const unsigned char* at = view.items().data();
    for (const auto element : view) {
      const std::size_t size = size_of(element);
      each(std::span<const unsigned char>(at, size), morsel::item(element));
      at += size;
    }
  };
  constexpr auto wide = [](auto /*element*/) { return morsel::detail::kWideItemSize; };
  switch (morsel::kind_of(value)) {
    case morsel::kind::u8_array: {
      const auto bytes = std::get<std::span<const unsigned char>>(value);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        each(bytes.subspan(i, 1), morsel::item(bytes[i]));
      }
      break;
    }
    case morsel::kind::u64_array:
      items(std::get<morsel::u64_array_view>(value), wide);
      break;
    case morsel::kind::f64_array:
      items(std::get<morsel::f64_array_view>(value), wide);
      break;
    case morsel::kind::string_array:
      items(std::get<morsel::string_array_view>(value), [](std::string_view element) {
        return morsel::detail::kStringHeaderSize + element.size();
      });
      break;
    default:
      break;
  }
}

// One line of `decode`: "<offset>: <kind> <value>\n".
void append_line(std::string& out, const shown& item);

// The two forms `decode` prints: the notation, and JSON Lines (json.h).
enum class text_form : unsigned char { notation, json };

// One line of `decode` in either form.
void append_line(std::string& out, const shown& item, text_form form);

// Appends what `decode` prints for `input` (a message, or with `item` one lone item) to `out`,
// calling `flush(out)` after each line so that the caller may write it out. Returns the message
// of the error that stopped it, after the lines of every item before, or an empty string.
std::string append_decoded(std::string& out, std::span<const unsigned char> input, bool item,
                           text_form form, const std::function<void(std::string&)>& flush);

// ---- Parsing

// A string as written in the notation, with the header it asks for, if any.
struct text {
  std::string bytes;
  std::optional<string_header> header;
};

// Bytes after a lone item, which the lone-item decoders ignore.
struct extra {
  std::vector<unsigned char> bytes;
};

using parsed_value =
    std::variant<bool, unsigned char, unsigned int, unsigned long, long, signed char, int, float,
                 double, text, std::vector<unsigned char>, std::vector<unsigned long>,
                 std::vector<double>, std::vector<text>, Person, extra>;

struct parsed_item {
  parsed_value item;
  std::size_t line;
};

// Bad notation: the message names the line and column, and what was expected and found.
class notation_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::vector<parsed_item> parse_notation(std::string_view text);

// A text read in parts, each of whole lines: where a part starts in the whole (its first line
// and column), and whether it is the last.
struct text_part {
  std::size_t line = 1;
  std::size_t column = 1;
  bool last = true;
};
// Where the rest of a part starts: its offset in the part, and its place in the whole.
struct part_rest {
  std::size_t offset = 0;
  std::size_t line = 1;
  std::size_t column = 1;
};
// The items of a part that end in it; an item that runs past its end (when it is not the last) is
// left, with what follows, for the next part, which starts where `rest` says. Bad text ends the
// items before it, and `error` says what is wrong, where.
struct parsed_part {
  std::vector<parsed_item> items;
  part_rest rest;
  std::string error;
};
parsed_part parse_notation_part(std::string_view text, const text_part& where);

// ---- Encoding what was parsed

struct encoded {
  std::vector<unsigned char> bytes;
  // What the bytes will not read back as: "line 3: ...". Said on standard error; the bytes are
  // written all the same.
  std::vector<std::string> warnings;
};

// The items as a message, as morsel::writer writes them: a string or an array of more than 255
// bytes or elements takes its long form, a u32 item and then parts (docs/format.md). Throws
// notation_error for what a message cannot hold (an "extra", a length past 4,294,967,295).
encoded encode_message(const std::vector<parsed_item>& items);

// The same for a message encoded in batches: each batch's bytes follow the last's, and the
// warnings say what a reader walking the whole message reads otherwise.
class message_encoder {
 public:
  // The bytes of `items`; an item a message cannot hold ends them, before it, with `error` set.
  std::vector<unsigned char> encode(const std::vector<parsed_item>& items, std::string& error);
  std::vector<std::string> take_warnings();

 private:
  void walk(std::span<const unsigned char> bytes, std::vector<std::size_t> starts,
            std::vector<std::size_t> lines);

  std::vector<unsigned char> held_;  // the last item when it may take the next one's first bytes
  std::size_t held_line_ = 0;
  std::size_t written_ = 0;  // bytes of the batches before
  bool warned_ = false;      // the walk parted from the items: one warning says so
  std::vector<std::string> warnings_;
};

// One item standing alone, as `serialize` writes it, then any "extra" bytes.
std::vector<unsigned char> encode_lone_item(const std::vector<parsed_item>& items);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_NOTATION_H
