// morsel dump: each item's bytes in hex on the left, 16 to a row, and its meaning on the right;
// an array's elements each on a row of their own; with --schema, each value's members; a
// malformed item or value as the bytes that remain, with a marker under the byte where reading
// stopped.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/detail/hex.h>
#include <morsel/kind.h>
#include <morsel/message.h>
#include <morsel/types.h>
#include <morsel/value.h>

#include "commands.h"
#include "input.h"
#include "notation.h"
#include "output.h"
#include "units.h"
#include "values.h"
#include "walk.h"

namespace morsel_cli {
namespace {

using Bytes = std::span<const unsigned char>;

constexpr std::size_t kRowBytes = 16;
constexpr std::size_t kOffsetWidth = 10;
constexpr std::size_t kHexWidth = kRowBytes * 3 - 1;
constexpr std::size_t kHexColumn = kOffsetWidth + 2;

// One row: the offset, up to 16 bytes in hex, and the meaning.
void append_row(std::string& out, std::size_t offset, Bytes bytes, std::string_view meaning) {
  char number[24];
  char* const end = std::to_chars(std::begin(number), std::end(number), offset).ptr;
  const auto width = static_cast<std::size_t>(end - number);
  out.append(width < kOffsetWidth ? kOffsetWidth - width : 0, ' ');
  out.append(number, end);
  out += "  ";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) {
      out += ' ';
    }
    morsel::detail::append_hex_digits(out, bytes[i]);
  }
  if (!meaning.empty()) {
    out.append(kHexWidth + 2 - (bytes.empty() ? 0 : bytes.size() * 3 - 1), ' ');
    out += meaning;
  }
  out += '\n';
}

// Bytes over as many rows as they need; the meaning goes on the first.
void append_rows(std::string& out, std::size_t offset, Bytes bytes, std::string_view meaning) {
  for (std::size_t done = 0; done == 0 || done < bytes.size(); done += kRowBytes) {
    append_row(out, offset + done, bytes.subspan(done, std::min(kRowBytes, bytes.size() - done)),
               done == 0 ? meaning : std::string_view());
  }
}

std::string element_label(std::size_t index) {
  std::string label = "  [";
  append_number(label, index);
  label += "] ";
  return label;
}

// An item's rows: an array's header, with its kind and count, and then each element on a row of
// its own after its index; any other item whole, with its meaning.
void append_item_rows(std::string& out, const shown& item) {
  const morsel::kind k = morsel::kind_of(item.value);
  std::string meaning;
  if (!morsel::detail::is_array(k)) {
    append_item(meaning, item.value, item.bytes);
    append_rows(out, item.offset, item.bytes, meaning);
    return;
  }
  std::vector<std::pair<Bytes, std::string>> elements;
  for_each_element(item.value, [&](Bytes bytes, const morsel::item& element) {
    std::string value = element_label(elements.size());
    append_value(value, element, bytes);
    elements.emplace_back(bytes, std::move(value));
  });
  meaning = morsel::detail::info(k).word;
  meaning += ", ";
  append_number(meaning, elements.size());
  meaning += elements.size() == 1 ? " element" : " elements";
  append_rows(out, item.offset, item.bytes.first(morsel::detail::info(k).header_size), meaning);
  for (const auto& [bytes, value] : elements) {
    append_rows(out, item.offset + static_cast<std::size_t>(bytes.data() - item.bytes.data()),
                bytes, value);
  }
}

// The longest meaning a value's row shows: the rest is cut, as decode shows it whole.
constexpr std::size_t kMostMeaning = 100;

// A value's rows, `bytes` at `offset`: a record's or a tuple's members each on rows of their own,
// after their path ("Event.time_ns: 17"), since they have no bytes of their own around them; any
// other value whole.
void append_value_rows(std::string& out, std::size_t offset, Bytes bytes, const morsel::type& t,
                       const std::string& path) {
  const morsel::type& shown_as = resolved(t);
  if (shown_as.what == morsel::type::form::record || shown_as.what == morsel::type::form::tuple) {
    morsel::reader in(bytes);
    morsel::value part;
    for (std::size_t i = 0; i < shown_as.parts.size(); ++i) {
      const std::size_t start = in.offset();
      morsel::read_value(in, *shown_as.parts[i], part);
      std::string part_path = path;  // by appends: GCC 12 at -O3 warns of overlaps in a + b
      if (shown_as.what == morsel::type::form::record) {
        part_path += '.';
        part_path += shown_as.member_names[i];
      } else {
        part_path += '[';
        append_number(part_path, i);
        part_path += ']';
      }
      append_value_rows(out, offset + start, bytes.subspan(start, in.offset() - start),
                        *shown_as.parts[i], part_path);
    }
    return;
  }
  morsel::reader in(bytes);
  std::string meaning = path;
  meaning += ": ";
  append_value_text(meaning, t, morsel::read_value(in, t));
  if (meaning.size() > kMostMeaning) {
    // ASCII only, so any byte is a place to cut: names are identifiers, strings are escaped.
    meaning.resize(kMostMeaning - 3);
    meaning += "...";
  }
  append_rows(out, offset, bytes, meaning);
}

// The bytes from the malformed item at `at` on (`rest`, as far as they are known), through a row
// past the byte where reading stopped, with a marker under that byte (or just past the end, when
// the bytes ran out).
void append_malformed(std::string& out, Bytes rest, std::size_t at, const morsel::decode_error& e) {
  const std::size_t marker = std::clamp(e.stopped_at(), at, at + rest.size()) - at;
  const std::size_t end = std::min(rest.size(), marker + kRowBytes);
  const Bytes shown = rest.first(end);
  const std::string meaning = std::string("error: ") + e.what();
  const std::size_t rows = std::max<std::size_t>(1, (shown.size() + kRowBytes - 1) / kRowBytes);
  const std::size_t marker_row = std::min(marker / kRowBytes, rows - 1);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t from = row * kRowBytes;
    append_row(out, at + from, shown.subspan(from, std::min(kRowBytes, shown.size() - from)),
               row == 0 ? std::string_view(meaning) : std::string_view());
    if (row == marker_row) {
      out.append(kHexColumn + (marker - row * kRowBytes) * 3, ' ');
      out += marker == rest.size() ? "^ the input ends here\n" : "^^\n";
    }
  }
  if (end < rest.size()) {
    std::string more = "... ";
    append_number(more, rest.size() - end);
    more += " more bytes";
    append_row(out, at + end, {}, more);
  }
}

}  // namespace

int dump(const options& how) {
  output out;
  std::string error;
  try {
    if (how.item) {
      const input_file file(how.input);
      const input_bytes whole(file, how.hex);
      const std::span<const unsigned char> input = whole.bytes();
      try {
        const lone_item lone = read_lone_item(input);
        append_item_rows(out.text(), lone.item);
        if (!lone.extra.empty()) {
          std::string meaning = "extra: ";
          append_number(meaning, lone.extra.size());
          meaning += lone.extra.size() == 1 ? " byte" : " bytes";
          meaning += " the lone-item decoders ignore";
          append_rows(out.text(), lone.item.bytes.size(), lone.extra, meaning);
        }
      } catch (const morsel::decode_error& e) {
        append_malformed(out.text(), input, 0, e);
        error = e.what();
      }
    } else {
      const auto malformed = [&out](Bytes rest, std::size_t at, const morsel::decode_error& e) {
        append_malformed(out.text(), rest, at, e);
      };
      if (!how.schema.empty()) {
        const schema_type schema = read_schema(how);
        value_units values(
            *schema.type, [&out, &schema](std::size_t offset, Bytes bytes, const morsel::value&) {
              append_value_rows(out.text(), offset, bytes, *schema.type, schema.type->spelled());
            });
        error = walk_input(how, out, values, malformed);
      } else {
        item_units items([&out](const shown& item) { append_item_rows(out.text(), item); });
        error = walk_input(how, out, items, malformed);
      }
    }
  } catch (const input_error& e) {
    (void)out.finish();  // the items read before, then the reason
    complain(e.what());
    return 1;
  }
  return finish(out, error);
}

}  // namespace morsel_cli
