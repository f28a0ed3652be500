// Bytes from hex text, the input of --hex.
#ifndef MORSEL_CLI_HEX_TEXT_H
#define MORSEL_CLI_HEX_TEXT_H

#include <string_view>
#include <vector>

namespace morsel_cli {

// Pairs of hex digits in any case, with or without blanks or commas between them, each pair
// perhaps after "0x"; a lone digit between blanks is a byte of its own, so printVec's "[ a2 5 ]"
// reads as it stands. Throws input_error naming the line of a bad digit.
std::vector<unsigned char> parse_hex(std::string_view text);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_HEX_TEXT_H
