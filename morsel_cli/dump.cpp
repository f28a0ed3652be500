// morsel dump: each item's bytes in hex on the left, 16 to a row, and its meaning on the right;
// an array's elements each on a row of their own; a malformed item as the bytes that remain, with
// a marker under the byte where reading stopped.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/message.h>

#include "commands.h"
#include "io.h"
#include "notation.h"
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
    append_hex_byte(out, bytes[i]);
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

// The rows of elements that are items themselves (of a u64, f64 or string array), each after its
// index: `append_value(reader&, meaning)` reads one element and appends its meaning.
template <typename AppendValue>
void append_item_elements(std::string& out, Bytes input, Bytes items, AppendValue append_value) {
  morsel::reader elements(items);
  for (std::size_t i = 0; !elements.empty(); ++i) {
    const std::size_t at = elements.offset();
    std::string meaning = element_label(i);
    append_value(elements, meaning);
    append_rows(out, static_cast<std::size_t>(items.data() + at - input.data()),
                items.subspan(at, elements.offset() - at), meaning);
  }
}

// The rows of an array's elements, each after its index.
void append_elements(std::string& out, Bytes input, const shown& item) {
  switch (morsel::kind_of(item.value)) {
    case morsel::kind::u8_array: {
      const auto bytes = std::get<std::span<const unsigned char>>(item.value);
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::string meaning = element_label(i);
        append_number(meaning, static_cast<unsigned int>(bytes[i]));
        append_rows(out, static_cast<std::size_t>(bytes.data() + i - input.data()),
                    bytes.subspan(i, 1), meaning);
      }
      break;
    }
    case morsel::kind::u64_array:
      append_item_elements(out, input, std::get<morsel::u64_array_view>(item.value).items(),
                           [](morsel::reader& in, std::string& meaning) {
                             append_number(meaning, in.read<unsigned long>());
                           });
      break;
    case morsel::kind::f64_array:
      append_item_elements(out, input, std::get<morsel::f64_array_view>(item.value).items(),
                           [](morsel::reader& in, std::string& meaning) {
                             append_double(meaning, in.read<double>());
                           });
      break;
    case morsel::kind::string_array:
      append_item_elements(out, input, std::get<morsel::string_array_view>(item.value).items(),
                           [](morsel::reader& in, std::string& meaning) {
                             const string_header header = header_at(in.remaining());
                             append_string(meaning, in.read<std::string_view>(), header);
                           });
      break;
    default:
      break;
  }
}

void append_item_rows(std::string& out, Bytes input, const shown& item) {
  std::string meaning;
  const std::optional<array_elements> elements = elements_of(item);
  if (!elements) {
    append_item(meaning, item.value, item.bytes);
    append_rows(out, item.offset, item.bytes, meaning);
    return;
  }
  meaning = kind_word(morsel::kind_of(item.value));
  meaning += ", ";
  append_number(meaning, elements->count);
  meaning += elements->count == 1 ? " element" : " elements";
  append_rows(out, item.offset,
              item.bytes.first(static_cast<std::size_t>(elements->first - item.bytes.data())),
              meaning);
  append_elements(out, input, item);
}

// The bytes from the malformed item at `at` on, through a row past the byte where reading
// stopped, with a marker under that byte (or just past the end, when the bytes ran out).
void append_malformed(std::string& out, Bytes input, std::size_t at,
                      const morsel::decode_error& e) {
  const std::size_t stop = std::clamp(e.stopped_at(), at, input.size());
  const std::size_t end = std::min(input.size(), stop + kRowBytes);
  const Bytes shown = input.subspan(at, end - at);
  const std::string meaning = std::string("error: ") + e.what();
  const std::size_t marker = stop - at;
  const std::size_t rows = std::max<std::size_t>(1, (shown.size() + kRowBytes - 1) / kRowBytes);
  const std::size_t marker_row = std::min(marker / kRowBytes, rows - 1);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t from = row * kRowBytes;
    append_row(out, at + from, shown.subspan(from, std::min(kRowBytes, shown.size() - from)),
               row == 0 ? std::string_view(meaning) : std::string_view());
    if (row == marker_row) {
      out.append(kHexColumn + (marker - row * kRowBytes) * 3, ' ');
      out += stop == input.size() ? "^ the input ends here\n" : "^^\n";
    }
  }
  if (end < input.size()) {
    std::string more = "... ";
    append_number(more, input.size() - end);
    more += " more bytes";
    append_row(out, end, {}, more);
  }
}

}  // namespace

int dump(const options& how) {
  const std::unique_ptr<input_bytes> read = open_input(how);
  if (!read) {
    return 1;
  }
  const std::span<const unsigned char> input = read->bytes();
  output out;
  std::string error;
  std::size_t at = 0;
  try {
    if (how.item) {
      const lone_item lone = read_lone_item(input);
      append_item_rows(out.text(), input, lone.item);
      if (!lone.extra.empty()) {
        std::string meaning = "extra: ";
        append_number(meaning, lone.extra.size());
        meaning += " bytes the lone-item decoders ignore";
        append_rows(out.text(), lone.item.bytes.size(), lone.extra, meaning);
      }
    } else {
      walk_message(input, at, [&](const shown& item) {
        append_item_rows(out.text(), input, item);
        out.flush_if_large();
      });
    }
  } catch (const morsel::decode_error& e) {
    append_malformed(out.text(), input, at, e);
    error = e.what();
  }
  return finish(out, error);
}

}  // namespace morsel_cli
