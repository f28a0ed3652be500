// morsel decode|encode|dump: shows what a buffer of the morsel format holds, item by item or as
// the values a schema describes, and writes one from text. Exits 0 on success, 1 when the input
// or the schema is malformed or cannot be read or the output cannot be written, 2 on a bad
// command line.
#include <cstddef>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "commands.h"

namespace {

constexpr const char* kUsage =
    "usage: morsel decode [--json] [--hex] [--item] [FILE]\n"
    "       morsel decode --schema SCHEMA [--type NAME] [--json] [--hex] [FILE]\n"
    "       morsel encode [--json] [--hex] [--item] [-o OUT] [FILE]\n"
    "       morsel encode --schema SCHEMA [--type NAME] --json [--hex] [-o OUT] [FILE]\n"
    "       morsel dump [--schema SCHEMA [--type NAME]] [--hex] [--item] [FILE]\n"
    "       morsel --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "  decode   print each item of FILE (standard input when absent or -) as a line of text:\n"
    "           its byte offset, its kind and its value\n"
    "  encode   read that text and write its bytes to standard output\n"
    "  dump     print each item's bytes in hex beside their meaning\n"
    "\n"
    "  --hex    the input of decode and dump is hex text, such as printVec prints;\n"
    "           encode prints its output as printVec does\n"
    "  --item   the input is one item standing alone, as serialize writes it\n"
    "           (encode: write one such item)\n"
    "  --json   decode prints, and encode reads, one JSON object per item:\n"
    "           {\"offset\":0,\"kind\":\"u32\",\"value\":7}\n"
    "  --schema SCHEMA\n"
    "           the message is values of a type of the schema file SCHEMA, back to back:\n"
    "           decode and dump show each value by its members' names, and encode reads\n"
    "           {\"offset\":0,\"type\":\"Event\",\"value\":{...}} (with --json)\n"
    "  --type NAME\n"
    "           the values are of the schema's type NAME, not of its first\n"
    "  -o OUT   encode writes to the file OUT, which it replaces only once all of\n"
    "           the input is encoded (a temporary file beside it until then)\n"
    "\n"
    "See morsel(1) for the text notation and docs/schema.md for schemas.\n";

// `arg` is the option `name`, alone or as "name=value".
bool option_named(std::string_view arg, std::string_view name) {
  return arg.starts_with(name) && (arg.size() == name.size() || arg[name.size()] == '=');
}

int bad_usage(const std::string& what) {
  morsel_cli::complain(what);
  (void)std::fputs(kUsage, stderr);
  return 2;
}

int print(const char* text) {
  if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
    morsel_cli::complain("standard output: write error");
    return 1;
  }
  return 0;
}

int run(int argc, const char* const argv[]) {
  if (argc < 2) {
    return bad_usage("a command is needed");
  }
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h") {
    return print(kUsage) == 0 ? print(kHelp) : 1;
  }
  if (command == "--version") {
    return print("morsel " MORSEL_VERSION "\n");
  }
  // The command first: an unknown one is what is wrong, whatever options follow it.
  int (*const command_run)(const morsel_cli::options&) = command == "decode"   ? morsel_cli::decode
                                                         : command == "encode" ? morsel_cli::encode
                                                         : command == "dump"   ? morsel_cli::dump
                                                                               : nullptr;
  if (command_run == nullptr) {
    return bad_usage("unknown command '" + std::string(command) + "'");
  }
  morsel_cli::options how;
  bool have_path = false;
  bool options_done = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // --schema FILE or --schema=FILE; the same for --type.
    std::string* const valued =
        options_done                                                            ? nullptr
        : option_named(arg, "--schema")                                         ? &how.schema
        : option_named(arg, "--type")                                           ? &how.type
        : command == "encode" && (arg == "-o" || option_named(arg, "--output")) ? &how.output
                                                                                : nullptr;
    if (valued != nullptr) {
      const std::size_t equals = arg.find('=');
      if (equals == std::string_view::npos && i + 1 == argc) {
        return bad_usage("option '" + std::string(arg) + "' needs a value");
      }
      *valued = equals == std::string_view::npos ? std::string(argv[++i])
                                                 : std::string(arg.substr(equals + 1));
      if (valued->empty()) {
        return bad_usage("option '" + std::string(arg.substr(0, equals)) + "' needs a value");
      }
    } else if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      return print(kUsage) == 0 ? print(kHelp) : 1;
    } else if (!options_done && arg == "--hex") {
      how.hex = true;
    } else if (!options_done && arg == "--item") {
      how.item = true;
    } else if (!options_done && arg == "--json" && command != "dump") {
      how.json = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return bad_usage("unknown option '" + std::string(arg) + "'");
    } else if (have_path) {
      return bad_usage("one file at most");
    } else {
      how.input = {.standard_input = arg == "-", .path = std::string(arg)};
      have_path = true;
    }
  }
  if (!how.type.empty() && how.schema.empty()) {
    return bad_usage("--type names a type of the --schema");
  }
  if (!how.schema.empty() && how.item) {
    return bad_usage("--schema reads a message of values, not one item (--item)");
  }
  if (!how.output.empty() && how.hex) {
    return bad_usage("-o writes the bytes: not with --hex, which prints them as text");
  }
  if (!how.schema.empty() && command == "encode" && !how.json) {
    return bad_usage("encode --schema reads JSON Lines: add --json");
  }
  return command_run(how);
}

}  // namespace

int main(int argc, char* argv[]) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    morsel_cli::complain("out of memory");
  } catch (const std::exception& e) {
    morsel_cli::complain(e.what());
  }
  return 1;
}
