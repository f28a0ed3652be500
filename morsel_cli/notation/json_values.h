// The top-level values of a JSON text (JSON Lines, or any whitespace between values), one at a
// time: each is parsed by nlohmann::json's SAX parser into a json_tree, with where it starts.
// Nesting is bounded, so that no input can make the reading deep; a number written "-0" keeps its
// sign (nlohmann reads it as the integer 0). Internal to the notation library.
#ifndef MORSEL_CLI_JSON_VALUES_H
#define MORSEL_CLI_JSON_VALUES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/reader.h>

#include "json_tree.h"
#include "notation.h"

namespace morsel_cli {

// How deep arrays and objects may nest in one value: a value read by a schema as deep as a reader
// allows maps to at most two JSON levels a level, and a few more around it.
inline constexpr std::size_t kJsonDepthLimit = 2 * morsel::reader::default_depth_limit + 4;

// A line and a column, from 1.
struct place {
  std::size_t line;
  std::size_t column;
};

// "line 3, column 7: <what>", as notation_error.
[[noreturn]] void fail_at(place where, const std::string& what);

class json_values {
 public:
  // `text`, or a part of a longer text (notation.h): a value that runs past the end of a part
  // that is not the last is left for the next.
  explicit json_values(std::string_view text, const text_part& where = {})
      : text_(text),
        line_(where.line),
        first_line_(where.line),
        first_column_(where.column),
        last_(where.last) {}

  // Parses the next value into `tree` and says where it starts; false at the end of the text (or
  // of the values that end in the part). Throws notation_error, naming the place, for text that
  // is not JSON.
  bool next(json_tree& tree, place& start);
  // Where the values not read start.
  part_rest rest();

 private:
  // The place of byte `offset`, asked for in increasing order: each byte is looked at once.
  place place_of(std::size_t offset);
  std::size_t string_end(std::size_t from) const;
  // Where the value starting at `from` ends, and which of its numbers are "-0".
  std::size_t value_end(std::size_t from, std::vector<std::size_t>& negative_zeros);

  static constexpr std::size_t kUnterminated = static_cast<std::size_t>(-1);

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t counted_ = 0;     // bytes whose lines are counted
  std::size_t line_;            // the line of byte `counted_`
  std::size_t line_start_ = 0;  // and where that line starts
  std::size_t first_line_;      // the text's first line and column in the whole
  std::size_t first_column_;
  bool last_;
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_JSON_VALUES_H
