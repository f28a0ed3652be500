#include "json_values.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "json_tree.h"
#include "notation.h"

namespace morsel_cli {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_number_char(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// nlohmann's message in the tool's words, without its own prefix and place.
std::string parse_error_detail(const std::string& what, std::string_view token) {
  if (what.find(".406]") != std::string::npos) {  // out_of_range.406: number overflow
    return "the number " + std::string(token) + " is out of range of a double";
  }
  const std::size_t prefix_end = what.starts_with("[json.exception.") ? what.find("] ") : 0;
  std::string detail = prefix_end > 0 ? what.substr(prefix_end + 2) : what;
  const std::size_t column = detail.find("column ");
  if (column != std::string::npos) {
    const std::size_t colon = detail.find(": ", column);
    if (colon != std::string::npos) {
      detail = detail.substr(colon + 2);
    }
  }
  return detail;
}

}  // namespace

void fail_at(place where, const std::string& what) {
  throw notation_error("line " + std::to_string(where.line) + ", column " +
                       std::to_string(where.column) + ": " + what);
}

place json_values::place_of(std::size_t offset) {
  offset = std::min(offset, text_.size());
  while (counted_ < offset) {
    const void* newline = std::memchr(text_.data() + counted_, '\n', offset - counted_);
    if (newline == nullptr) {
      counted_ = offset;
      break;
    }
    counted_ = static_cast<std::size_t>(static_cast<const char*>(newline) - text_.data()) + 1;
    ++line_;
    line_start_ = counted_;
  }
  return {line_, offset - line_start_ + (line_ == first_line_ ? first_column_ : 1)};
}

part_rest json_values::rest() {
  const place where = place_of(at_);
  return {at_, where.line, where.column};
}

// The closing quote of the string whose text starts at `from` (or the end of the text): found by
// memchr, and not one that a backslash escapes.
std::size_t json_values::string_end(std::size_t from) const {
  for (;;) {
    const void* quote = std::memchr(text_.data() + from, '"', text_.size() - from);
    if (quote == nullptr) {
      return text_.size();
    }
    const auto at = static_cast<std::size_t>(static_cast<const char*>(quote) - text_.data());
    std::size_t backslashes = 0;
    while (at - backslashes > from && text_[at - backslashes - 1] == '\\') {
      ++backslashes;
    }
    if (backslashes % 2 == 0) {
      return at;
    }
    from = at + 1;
  }
}

// At its matching bracket (strings and their escapes skipped), or at the next blank for anything
// else; the JSON parser checks the rest. Numbers are counted as they start, so that the parser's
// n-th number can be told to be a "-0". kUnterminated when the text ends first.
std::size_t json_values::value_end(std::size_t from, std::vector<std::size_t>& negative_zeros) {
  std::size_t depth = 0;
  std::size_t numbers = 0;
  for (std::size_t i = from; i < text_.size(); ++i) {
    const char c = text_[i];
    if (c == '"') {
      i = string_end(i + 1);
    } else if (c == '{' || c == '[') {
      if (++depth > kJsonDepthLimit) {
        fail_at(place_of(i), "nested deeper than " + std::to_string(kJsonDepthLimit));
      }
    } else if (c == '}' || c == ']') {
      if (depth <= 1) {
        return i + 1;
      }
      --depth;
    } else if (depth == 0 && is_blank(c)) {
      return i;
    } else if ((c == '-' || (c >= '0' && c <= '9')) &&
               (i == from || !is_number_char(text_[i - 1]))) {
      std::size_t end = i + 1;
      while (end < text_.size() && is_number_char(text_[end])) {
        ++end;
      }
      if (text_.substr(i, end - i) == "-0") {
        negative_zeros.push_back(numbers);
      }
      ++numbers;
      i = end - 1;
    }
  }
  return kUnterminated;
}

bool json_values::next(json_tree& tree, place& start) {
  while (at_ < text_.size() && is_blank(text_[at_])) {
    ++at_;
  }
  if (at_ == text_.size()) {
    return false;
  }
  start = place_of(at_);
  std::vector<std::size_t> negative_zeros;
  std::size_t end = value_end(at_, negative_zeros);
  if (end == kUnterminated) {
    if (!last_) {
      return false;  // read again, whole, from the next part
    }
    end = text_.size();
  }
  tree.clear();
  tree.mark_negative_zeros(std::move(negative_zeros));
  const std::string_view value = text_.substr(at_, end - at_);
  if (!nlohmann::json::sax_parse(value, &tree)) {
    const std::size_t error_at = tree.error_position() > 0 ? tree.error_position() - 1 : 0;
    std::size_t token_end = error_at;
    while (token_end < value.size() && !is_blank(value[token_end]) && value[token_end] != ',' &&
           value[token_end] != ']' && value[token_end] != '}') {
      ++token_end;
    }
    std::size_t token_start = error_at;
    while (token_start > 0 && is_number_char(value[token_start - 1])) {
      --token_start;
    }
    const bool number_out_of_range = tree.error().find(".406]") != std::string::npos;
    fail_at(place_of(at_ + (number_out_of_range ? token_start : error_at)),
            parse_error_detail(tree.error(), value.substr(token_start, token_end - token_start)));
  }
  at_ = end;
  return true;
}

}  // namespace morsel_cli
