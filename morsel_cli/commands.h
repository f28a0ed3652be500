// The tool's three commands. Each returns the exit status: 0, or 1 when the input is malformed or
// cannot be read or the output cannot be written (after one line on standard error).
#ifndef MORSEL_CLI_COMMANDS_H
#define MORSEL_CLI_COMMANDS_H

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include <morsel/morsel.h>

#include "input.h"
#include "output.h"
#include "walk.h"

namespace morsel_cli {

struct options {
  bool hex = false;    // --hex: the input (encode: the output) is hex text
  bool item = false;   // --item: the input (encode: the output) is one item standing alone
  bool json = false;   // --json: decode prints, and encode reads, JSON Lines
  input_source input;  // FILE, or standard input when it is absent or "-"
};

int decode(const options& how);
int encode(const options& how);
int dump(const options& how);

// "morsel: <what>" on standard error.
void complain(const std::string& what);

// Every item of a message input, in order: `each` sees each item as soon as it is whole. A
// regular file is mapped whole; standard input, a pipe or a device is read through a
// morsel::stream, and what has been printed to `out` is written out before the tool waits for
// more input, so memory stays bounded by the largest item. A malformed item ends the walk:
// `malformed(rest, at, error)` gets the bytes known from it on and its offset, and its message is
// returned; "" when the input ends between items. Throws input_error.
using item_handler = std::function<void(const shown&)>;
using fault_handler =
    std::function<void(std::span<const unsigned char>, std::size_t, const morsel::decode_error&)>;
std::string walk_input(const options& how, output& out, const item_handler& each,
                       const fault_handler& malformed);

// Writes out what is left and turns the run into its exit status, saying what went wrong: the
// output that could not be written, or `error` (the input's fault), when it is not empty.
int finish(output& out, const std::string& error);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_COMMANDS_H
