// The marks, names and integers of a schema's text.
#include "schema_scanner.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <morsel/types.h>

namespace morsel {
namespace {

bool is_name_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_name_char(char c) {
  return is_name_start(c) || (c >= '0' && c <= '9');
}

}  // namespace

void schema_scanner::fail_at(place where, const std::string& what) {
  throw schema_error("line " + std::to_string(where.line) + ", column " +
                     std::to_string(where.column) + ": " + what);
}

void schema_scanner::fail_expected(std::string_view what) {
  fail("expected " + std::string(what) + ", got " + got());
}

schema_scanner::place schema_scanner::here() {
  skip_blanks();
  for (; counted_ < at_ && counted_ < text_.size(); ++counted_) {
    if (text_[counted_] == '\n') {
      ++line_;
      line_start_ = counted_ + 1;
    }
  }
  return {line_, at_ - line_start_ + 1};
}

void schema_scanner::skip_blanks() {
  while (at_ < text_.size()) {
    const char c = text_[at_];
    if (c == '#') {
      while (at_ < text_.size() && text_[at_] != '\n') {
        ++at_;
      }
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++at_;
    } else {
      return;
    }
  }
}

bool schema_scanner::at_end() {
  skip_blanks();
  return at_ >= text_.size();
}

bool schema_scanner::at(char c) {
  skip_blanks();
  return at_ < text_.size() && text_[at_] == c;
}

bool schema_scanner::accept(char c) {
  if (!at(c)) {
    return false;
  }
  ++at_;
  return true;
}

void schema_scanner::expect(char c, std::string_view what) {
  if (!accept(c)) {
    fail_expected(what);
  }
}

bool schema_scanner::at_digit() {
  skip_blanks();
  return at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9';
}

bool schema_scanner::accept_word(std::string_view word) {
  skip_blanks();
  const std::size_t end = at_ + word.size();
  if (!text_.substr(at_).starts_with(word) || (end < text_.size() && is_name_char(text_[end]))) {
    return false;
  }
  at_ = end;
  return true;
}

std::string schema_scanner::got() const {
  if (at_ >= text_.size()) {
    return "the end of the schema";
  }
  std::size_t end = at_ + 1;
  if (is_name_char(text_[at_])) {
    while (end < text_.size() && (is_name_char(text_[end]) || text_[end] == ':')) {
      ++end;
    }
  }
  std::string quoted = "'";  // appended: GCC 12 at -O3 warns of an overlap in a + b + c
  quoted += text_.substr(at_, end - at_);
  quoted += '\'';
  return quoted;
}

std::string schema_scanner::name(std::string_view what) {
  skip_blanks();
  const std::size_t start = at_;
  while (at_ < text_.size() && is_name_start(text_[at_])) {
    while (at_ < text_.size() && is_name_char(text_[at_])) {
      ++at_;
    }
    if (text_.substr(at_, 2) == "::" && at_ + 2 < text_.size() && is_name_start(text_[at_ + 2])) {
      at_ += 2;
    } else {
      break;
    }
  }
  if (at_ == start) {
    fail_expected(what);
  }
  return std::string(text_.substr(start, at_ - start));
}

std::int64_t schema_scanner::integer(std::string_view what) {
  skip_blanks();
  const std::size_t start = at_;
  if (at_ < text_.size() && text_[at_] == '-') {
    ++at_;
  }
  std::uint64_t magnitude = 0;
  const std::size_t digits = at_;
  while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(text_[at_] - '0');
    if (magnitude > (std::uint64_t{1} << 63U)) {
      at_ = start;
      fail(std::string(what) + " out of range");
    }
    ++at_;
  }
  if (at_ == digits) {
    at_ = start;
    fail_expected(what);
  }
  return text_[start] == '-' ? -static_cast<std::int64_t>(magnitude - 1) - 1
                             : static_cast<std::int64_t>(magnitude);
}

}  // namespace morsel
