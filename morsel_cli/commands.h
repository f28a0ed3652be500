// The tool's three commands. Each returns the exit status: 0, or 1 when the input is malformed or
// cannot be read or the output cannot be written (after one line on standard error).
#ifndef MORSEL_CLI_COMMANDS_H
#define MORSEL_CLI_COMMANDS_H

#include <memory>
#include <string>

#include "input.h"
#include "output.h"

namespace morsel_cli {

struct options {
  bool hex = false;    // --hex: the input (encode: the output) is hex text
  bool item = false;   // --item: the input (encode: the output) is one item standing alone
  input_source input;  // FILE, or standard input when it is absent or "-"
};

int decode(const options& how);
int encode(const options& how);
int dump(const options& how);

// "morsel: <what>" on standard error.
void complain(const std::string& what);

// The input of decode and dump; when it cannot be read, says why and returns nothing.
std::unique_ptr<input_bytes> open_input(const options& how);

// Writes out what is left and turns the run into its exit status, saying what went wrong: the
// output that could not be written, or `error` (the input's fault), when it is not empty.
int finish(output& out, const std::string& error);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_COMMANDS_H
