// Parsed items to bytes: a message through morsel::writer, or one lone item through serialize.
// A string header given in the notation ("<0xab 4>") replaces the one the library writes; those
// bytes are patched in once the item is written, where a reader finds them.
#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/hex.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/kind.h>
#include <morsel/message.h>
#include <morsel/morsel.h>

#include "notation.h"

namespace morsel_cli {
namespace {

[[noreturn]] void fail_line(std::size_t line, const std::string& what) {
  throw notation_error("line " + std::to_string(line) + ": " + what);
}

struct patch {
  std::size_t offset;
  unsigned char byte;
};

// A string or an array: standing alone, it runs to the end of its buffer.
bool runs_to_end(const parsed_value& value) {
  return std::holds_alternative<text>(value) || std::holds_alternative<std::vector<text>>(value) ||
         std::holds_alternative<std::vector<unsigned char>>(value) ||
         std::holds_alternative<std::vector<unsigned long>>(value) ||
         std::holds_alternative<std::vector<double>>(value);
}

void apply_patches(std::vector<unsigned char>& bytes, const std::vector<patch>& patches) {
  for (const patch& p : patches) {
    bytes[p.offset] = p.byte;
  }
}

std::vector<std::string> plain(const std::vector<text>& texts) {
  std::vector<std::string> strings;
  strings.reserve(texts.size());
  for (const text& t : texts) {
    strings.push_back(t.bytes);
  }
  return strings;
}

// Where a length byte alone tells where the string ends (in a message, in a string array), the
// header may differ from the usual one only by the generic tag on a 4-byte string.
void check_exact(const text& t, std::size_t line) {
  if (!t.header) {
    return;
  }
  if (!morsel::detail::fits_short(t.bytes.size())) {
    fail_line(line,
              "a string of more than 255 bytes is written in parts, with no header of its "
              "own to give");
  }
  if (t.header->length != morsel::detail::low_byte(t.bytes.size())) {
    fail_line(line, "a string's length byte here must be its length (" +
                        std::to_string(t.bytes.size()) +
                        (t.bytes.size() == 1 ? " byte)" : " bytes)"));
  }
  if (!morsel::detail::is_string_header(t.header->tag, t.header->length)) {
    fail_line(line, "tag " + morsel::detail::hex_byte(t.header->tag) + " is for strings of " +
                        std::to_string(morsel::detail::kStr4Length) + " bytes only");
  }
}

// The element tags the notation asks for, in the string array whose elements start at `first`
// (after its header, or after the u32 count of its long form). Only a string of at most 255
// bytes has a header of its own; a longer one is its long form, walked over.
void patch_elements(std::span<const unsigned char> bytes, std::size_t first,
                    const std::vector<text>& texts, std::vector<patch>& patches) {
  morsel::reader elements(bytes.subspan(first));
  for (const text& t : texts) {
    if (t.header) {
      patches.push_back({first + elements.offset(), t.header->tag});
    }
    (void)elements.read<std::string>();
  }
}

std::string without_prefix(std::string_view what, std::string_view prefix) {
  return std::string(what.starts_with(prefix) ? what.substr(prefix.size()) : what);
}

// Where a reader walking the message item by item (next(), as decode does) parts from the items
// as they were written, which start at `starts`: the one case is an empty u64 or f64 array
// followed by a u8 item whose value is a tag, which it takes for an empty byte array. An item
// written in its long form is a run of items (the u32 length, then the parts or elements), all
// walked. `lines` are the items' lines; `origin` is where `bytes` start in the message.
std::optional<std::string> walk_warning(std::span<const unsigned char> bytes,
                                        const std::vector<std::size_t>& starts,
                                        const std::vector<std::size_t>& lines, std::size_t origin) {
  morsel::reader in(bytes);
  for (std::size_t i = 0; i < starts.size(); ++i) {
    if (in.offset() != starts[i]) {
      const std::size_t culprit = i - 1;  // the item the walk read otherwise
      return "line " + std::to_string(lines[culprit]) +
             ": an empty u64 or f64 array followed by a u8 item whose value is a tag walks as "
             "an empty byte array: a reader of the next item (morsel decode) misreads from byte " +
             std::to_string(origin + starts[culprit]);
    }
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : bytes.size();
    try {
      do {
        in.skip();
      } while (in.offset() < end);
    } catch (const morsel::decode_error&) {
      return "line " + std::to_string(lines[i]) +
             ": a reader walking the message item by item (morsel decode) cannot read this "
             "item back";
    }
  }
  return std::nullopt;
}

// An empty u64 or f64 array: the next item's first bytes may be read as its own.
bool may_take_the_next(std::span<const unsigned char> item) {
  return item.size() == morsel::detail::kArrayHeaderSize && item[0] == morsel::TAG_ARRAY &&
         item[1] == 0;
}

}  // namespace

std::vector<unsigned char> message_encoder::encode(const std::vector<parsed_item>& items,
                                                   std::string& error) {
  morsel::writer out;
  std::vector<patch> patches;
  std::vector<std::size_t> starts;
  std::vector<std::size_t> lines;
  starts.reserve(items.size());
  for (const parsed_item& parsed : items) {
    starts.push_back(out.size());
    lines.push_back(parsed.line);
    const std::size_t patched = patches.size();
    try {
      std::visit(
          [&](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, extra>) {
              fail_line(parsed.line, "extra bytes follow a lone item only (encode --item)");
            } else if constexpr (std::is_same_v<V, text>) {
              check_exact(v, parsed.line);
              if (v.header) {
                patches.push_back({out.size(), v.header->tag});
              }
              out.write(std::string_view(v.bytes));
            } else if constexpr (std::is_same_v<V, std::vector<text>>) {
              for (const text& t : v) {
                check_exact(t, parsed.line);
              }
              const std::size_t offset = out.size();
              out.write(plain(v));
              const bool long_form = out.bytes()[offset] == morsel::TAG_U32;
              patch_elements(out.bytes(),
                             offset + (long_form ? morsel::detail::kLengthItemSize
                                                 : morsel::detail::kArrayHeaderSize),
                             v, patches);
            } else {
              out.write(v);
            }
          },
          parsed.item);
    } catch (const std::length_error& e) {
      error = "line " + std::to_string(parsed.line) + ": " +
              without_prefix(e.what(), "morsel::writer: ");
    } catch (const notation_error& e) {
      error = e.what();
    }
    if (!error.empty()) {  // the writer holds the items before, whole
      starts.pop_back();
      lines.pop_back();
      patches.resize(patched);
      break;
    }
  }
  std::vector<unsigned char> bytes = out.take();
  apply_patches(bytes, patches);
  if (!warned_ && !starts.empty()) {
    walk(bytes, starts, lines);
  }
  written_ += bytes.size();
  return bytes;
}

// The walk of this batch, after the last item of the one before when that could take the first
// bytes of this one.
void message_encoder::walk(std::span<const unsigned char> bytes, std::vector<std::size_t> starts,
                           std::vector<std::size_t> lines) {
  std::vector<unsigned char> walked;
  std::size_t origin = written_;
  if (!held_.empty()) {
    walked = held_;
    walked.insert(walked.end(), bytes.begin(), bytes.end());
    for (std::size_t& start : starts) {
      start += held_.size();
    }
    starts.insert(starts.begin(), 0);
    lines.insert(lines.begin(), held_line_);
    origin -= held_.size();
    bytes = walked;
  }
  if (std::optional<std::string> warning = walk_warning(bytes, starts, lines, origin)) {
    warnings_.push_back(std::move(*warning));
    warned_ = true;
  }
  const std::span<const unsigned char> last = bytes.subspan(starts.back());
  held_.assign(last.begin(), may_take_the_next(last) ? last.end() : last.begin());
  held_line_ = lines.back();
}

std::vector<std::string> message_encoder::take_warnings() {
  return std::exchange(warnings_, {});
}

encoded encode_message(const std::vector<parsed_item>& items) {
  message_encoder encoder;
  std::string error;
  std::vector<unsigned char> bytes = encoder.encode(items, error);
  if (!error.empty()) {
    throw notation_error(error);
  }
  return {std::move(bytes), encoder.take_warnings()};
}

std::vector<unsigned char> encode_lone_item(const std::vector<parsed_item>& items) {
  if (items.empty()) {
    throw notation_error("encode --item takes one item, and there is none");
  }
  const parsed_item& first = items.front();
  if (std::holds_alternative<extra>(first.item)) {
    fail_line(first.line, "extra bytes follow an item; there is none before them");
  }
  std::vector<unsigned char> bytes;
  std::vector<patch> patches;
  std::visit(
      [&](const auto& v) {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, text>) {
          bytes = morsel::serialize(std::string_view(v.bytes));
          if (v.header) {  // standing alone, a string may have any length byte
            patches.push_back({0, v.header->tag});
            patches.push_back({1, v.header->length});
          }
        } else if constexpr (std::is_same_v<V, std::vector<text>>) {
          for (const text& t : v) {
            if (t.bytes.size() > morsel::detail::kMaxCount) {
              fail_line(first.line,
                        "a string-array element over 255 bytes cannot be read back: its length "
                        "byte is the only way to find where it ends");
            }
            check_exact(t, first.line);
          }
          bytes = morsel::serialize(plain(v));
          patch_elements(bytes, morsel::detail::info(morsel::kind::string_array).header_size, v,
                         patches);
        } else if constexpr (!std::is_same_v<V, extra>) {
          bytes = morsel::serialize(v);
        }
      },
      first.item);
  apply_patches(bytes, patches);

  for (std::size_t i = 1; i < items.size(); ++i) {
    const auto* more = std::get_if<extra>(&items[i].item);
    if (more == nullptr) {
      fail_line(items[i].line, "encode --item takes one item (and extra bytes after it)");
    }
    // Strings and arrays run to the end of their buffer: bytes after them would be theirs.
    if (runs_to_end(first.item)) {
      fail_line(items[i].line,
                "a string or an array standing alone runs to the end: nothing follows it");
    }
    bytes.insert(bytes.end(), more->bytes.begin(), more->bytes.end());
  }
  return bytes;
}

}  // namespace morsel_cli
