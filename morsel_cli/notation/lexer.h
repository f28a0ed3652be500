// The notation's lexer: words, strings with their escapes resolved, and punctuation, with the
// line and column of each. Newlines are blanks like any other; "#" starts a comment that runs to
// the end of the line.
#ifndef MORSEL_CLI_NOTATION_LEXER_H
#define MORSEL_CLI_NOTATION_LEXER_H

#include <cstddef>
#include <string>
#include <string_view>

#include <morsel/detail/hex.h>

#include "notation.h"

namespace morsel_cli::notation_lexing {

using morsel::detail::hex_digit_value;

enum class token_kind { word, string, punct, end };

struct token {
  token_kind kind = token_kind::end;
  std::string text;  // a word, a punctuation mark, or a string's bytes with escapes resolved
  std::size_t line = 1;
  std::size_t column = 1;
  std::size_t offset = 0;  // in the text
};

[[noreturn]] inline void fail_at(std::size_t line, std::size_t column, const std::string& what) {
  throw notation_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                       ": " + what);
}

inline bool is_word_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '+' || c == '-';
}

class lexer {
 public:
  lexer(std::string_view text, std::size_t line, std::size_t column)
      : text_(text), line_(line), column_(column) {}

  token next() {
    skip_blanks_and_comments();
    token t;
    t.line = line_;
    t.column = column_;
    t.offset = at_;
    if (at_ == text_.size()) {
      return t;
    }
    const char c = text_[at_];
    if (c == '"') {
      t.kind = token_kind::string;
      t.text = string_literal(t);
    } else if (std::string_view("[]{},:<>").find(c) != std::string_view::npos) {
      t.kind = token_kind::punct;
      t.text = std::string(1, c);
      step();
    } else if (is_word_char(c)) {
      t.kind = token_kind::word;
      const std::size_t start = at_;
      while (at_ < text_.size() && is_word_char(text_[at_])) {
        step();
      }
      t.text = std::string(text_.substr(start, at_ - start));
    } else {
      fail_at(t.line, t.column, "unexpected character " + printable(c));
    }
    return t;
  }

 private:
  static std::string printable(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      return std::string("'") + c + "'";
    }
    return "byte " + morsel::detail::hex_byte(byte);
  }

  void step() {
    if (text_[at_] == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    ++at_;
  }

  void skip_blanks_and_comments() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '#') {
        while (at_ < text_.size() && text_[at_] != '\n') {
          step();
        }
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        step();
      } else {
        return;
      }
    }
  }

  // Any byte but a newline stands for itself; escapes are \" \\ \n \t and \xHH (two digits).
  std::string string_literal(const token& start) {
    std::string bytes;
    step();  // the opening quote
    for (;;) {
      if (at_ == text_.size() || text_[at_] == '\n') {
        fail_at(start.line, start.column, "a string that does not end on its line");
      }
      const char c = text_[at_];
      if (c == '"') {
        step();
        return bytes;
      }
      if (c != '\\') {
        bytes += c;
        step();
        continue;
      }
      const std::size_t column = column_;
      step();
      const char escape = at_ < text_.size() ? text_[at_] : '\0';
      if (escape == '"' || escape == '\\') {
        bytes += escape;
        step();
      } else if (escape == 'n' || escape == 't') {
        bytes += escape == 'n' ? '\n' : '\t';
        step();
      } else if (escape == 'x' && at_ + 2 < text_.size() && hex_digit_value(text_[at_ + 1]) >= 0 &&
                 hex_digit_value(text_[at_ + 2]) >= 0) {
        bytes += static_cast<char>(hex_digit_value(text_[at_ + 1]) * 16 +
                                   hex_digit_value(text_[at_ + 2]));
        step();
        step();
        step();
      } else {
        fail_at(line_, column, "unknown escape: use \\\" \\\\ \\n \\t or \\x and two hex digits");
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_;  // set by the constructor: a part starts where the last one stopped
  std::size_t column_;
};

}  // namespace morsel_cli::notation_lexing

#endif  // MORSEL_CLI_NOTATION_LEXER_H
