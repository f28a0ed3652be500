// The tool's three commands. Each returns the exit status: 0, or 1 when the input is malformed or
// cannot be read or the output cannot be written (after one line on standard error).
#ifndef MORSEL_CLI_COMMANDS_H
#define MORSEL_CLI_COMMANDS_H

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include <morsel/morsel.h>
#include <morsel/types.h>

#include "input.h"
#include "output.h"
#include "units.h"

namespace morsel_cli {

struct options {
  bool hex = false;    // --hex: the input (encode: the output) is hex text
  bool item = false;   // --item: the input (encode: the output) is one item standing alone
  bool json = false;   // --json: decode prints, and encode reads, JSON Lines
  input_source input;  // FILE, or standard input when it is absent or "-"
  std::string schema;  // --schema: the message is values of a type of this schema file
  std::string type;    // --type: that type, by name; the schema's first when empty
  std::string output;  // encode -o: the file written in place of this one, once all is good
};

int decode(const options& how);
int encode(const options& how);
int dump(const options& how);

// "morsel: <what>" on standard error.
void complain(const std::string& what);

// Every unit (item or value) of a message input, in order: each is shown as soon as it is whole.
// A regular file is mapped whole; standard input, a pipe or a device is read through a
// morsel::stream, and what has been printed to `out` is written out before the tool waits for
// more input, so memory stays bounded by the largest unit. A malformed unit ends the walk:
// `malformed(rest, at, error)` gets the bytes known from it on and its offset, and its message is
// returned; "" when the input ends between units. Throws input_error.
using fault_handler =
    std::function<void(std::span<const unsigned char>, std::size_t, const morsel::decode_error&)>;
std::string walk_input(const options& how, output& out, units& each,
                       const fault_handler& malformed);

// The schema of --schema, read, and the type of --type in it (or its first). Throws input_error
// for a file that cannot be read, a schema with an error, or a type it does not have.
struct schema_type {
  morsel::type_set types;
  const morsel::type* type;
};
schema_type read_schema(const options& how);

// Writes out what is left and turns the run into its exit status, saying what went wrong: the
// output that could not be written, or `error` (the input's fault), when it is not empty. A file
// output (-o) takes the place of its path only when neither went wrong.
int finish(output& out, const std::string& error);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_COMMANDS_H
