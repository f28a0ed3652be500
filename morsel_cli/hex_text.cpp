#include "hex_text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/detail/hex.h>

#include "input.h"

namespace morsel_cli {
namespace {

using morsel::detail::hex_digit_value;

// One run of hex digits between separators, perhaps after "0x": pairs, or a lone digit.
void append_run(std::vector<unsigned char>& bytes, std::string_view run, std::size_t line) {
  if (run.size() == 1) {
    bytes.push_back(static_cast<unsigned char>(hex_digit_value(run[0])));
    return;
  }
  if (run.size() % 2 != 0) {
    throw input_error("line " + std::to_string(line) + ": odd number of hex digits in '" +
                      std::string(run) + "'");
  }
  for (std::size_t i = 0; i < run.size(); i += 2) {
    bytes.push_back(
        static_cast<unsigned char>(hex_digit_value(run[i]) * 16 + hex_digit_value(run[i + 1])));
  }
}

}  // namespace

std::vector<unsigned char> parse_hex(std::string_view text) {
  std::vector<unsigned char> bytes;
  bytes.reserve(text.size() / 2);
  std::size_t line = 1;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\n') {
      ++line;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == '[' || c == ']') {
      ++at;
      continue;
    }
    // A word: runs of hex digits, each perhaps after 0x.
    std::size_t end = at;
    while (end < text.size() &&
           std::string_view(" \t\n\r,[]").find(text[end]) == std::string_view::npos) {
      ++end;
    }
    std::string_view word = text.substr(at, end - at);
    while (!word.empty()) {
      if (word.starts_with("0x") || word.starts_with("0X")) {
        word.remove_prefix(2);
      }
      std::size_t digits = 0;
      while (digits < word.size() && hex_digit_value(word[digits]) >= 0 &&
             !(word.substr(digits).starts_with("0x") || word.substr(digits).starts_with("0X"))) {
        ++digits;
      }
      if (digits == 0) {
        throw input_error("line " + std::to_string(line) + ": '" +
                          std::string(text.substr(at, end - at)) + "' is not hex");
      }
      append_run(bytes, word.substr(0, digits), line);
      word.remove_prefix(digits);
    }
    at = end;
  }
  return bytes;
}

}  // namespace morsel_cli
