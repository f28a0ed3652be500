// The marks, names and integers of a schema's text (docs/schema.md), one after another, with the
// line and column of each for errors. Internal: not installed.
#ifndef MORSEL_SCHEMA_SCANNER_H
#define MORSEL_SCHEMA_SCANNER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morsel {

class schema_scanner {
 public:
  struct place {
    std::size_t line;
    std::size_t column;
  };

  explicit schema_scanner(std::string_view text) noexcept : text_(text) {}

  // Throw schema_error ("line 3, column 7: ...").
  [[noreturn]] static void fail_at(place where, const std::string& what);
  [[noreturn]] void fail(const std::string& what) { fail_at(here(), what); }
  // "expected WHAT, got 'x'", naming what stands at the cursor.
  [[noreturn]] void fail_expected(std::string_view what);

  // The place of the next thing after blanks and comments.
  place here();
  bool at_end();
  // The next thing is `c`; `accept` moves past it when it is.
  bool at(char c);
  bool accept(char c);
  void expect(char c, std::string_view what);
  bool at_digit();
  // The next name is `word` (and not a longer name that starts with it); moves past it when it is.
  bool accept_word(std::string_view word);
  // A name: identifiers joined by "::". `what` names what was expected, for the error.
  std::string name(std::string_view what);
  // A decimal integer, with a '-' before it when negative.
  std::int64_t integer(std::string_view what);

 private:
  void skip_blanks();
  // What stands at the cursor, quoted, for an error: the name there, or one character.
  std::string got() const;

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t counted_ = 0;  // lines are counted up to here, as the scanner moves on, never again
  std::size_t line_ = 1;
  std::size_t line_start_ = 0;
};

}  // namespace morsel

#endif  // MORSEL_SCHEMA_SCANNER_H
