// The input as text in parts of whole lines, read as they are needed: memory holds the part being
// read and what the last part left (an item that ran past its end), never the whole input.
#ifndef MORSEL_CLI_TEXT_PARTS_H
#define MORSEL_CLI_TEXT_PARTS_H

#include <cstddef>
#include <string_view>

#include "input.h"
#include "notation.h"

namespace morsel_cli {

class text_parts {
 public:
  explicit text_parts(const input_file& file) : file_(file) {}

  // The next part: what the last one left, then more of the input up to a line's end (all of it
  // at the end of the input), and where it starts. False after the last part (which may be
  // empty). Throws input_error when the input cannot be read.
  bool next(std::string_view& text, text_part& where);
  // What of the part just given was not used, and where it starts.
  void leave(part_rest rest);

 private:
  static constexpr std::size_t kLeastPart = std::size_t{1} << 20;

  const input_file& file_;
  byte_buffer buffer_;
  std::size_t size_ = 0;           // bytes in the buffer: what the last part left, then the unread
  std::size_t fill_ = kLeastPart;  // how many to have before a part is cut
  text_part place_{1, 1, false};   // of the buffer's first byte
  bool stalled_ = false;           // the last part left all of itself
  bool ended_ = false;             // the input has no more
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_TEXT_PARTS_H
