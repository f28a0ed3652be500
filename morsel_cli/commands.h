// The tool's three commands. Each returns the exit status: 0, or 1 when the input is malformed or
// cannot be read or the output cannot be written (after one line on standard error).
#ifndef MORSEL_CLI_COMMANDS_H
#define MORSEL_CLI_COMMANDS_H

#include <string>

namespace morsel_cli {

struct options {
  bool hex = false;   // --hex: the input (encode: the output) is hex text
  bool item = false;  // --item: the input (encode: the output) is one item standing alone
  std::string path;   // the input file; standard input when empty or "-"
};

int decode(const options& how);
int encode(const options& how);
int dump(const options& how);

// "morsel: <what>" on standard error.
void complain(const std::string& what);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_COMMANDS_H
