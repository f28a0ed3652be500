// What the commands share: the reporting of errors and the end of a run.
#include "commands.h"

#include <cstdio>
#include <memory>
#include <string>

#include "input.h"
#include "output.h"

namespace morsel_cli {

void complain(const std::string& what) {
  (void)std::fprintf(stderr, "morsel: %s\n", what.c_str());
}

std::unique_ptr<input_bytes> open_input(const options& how) {
  try {
    return std::make_unique<input_bytes>(how.input, how.hex);
  } catch (const input_error& e) {
    complain(e.what());
    return nullptr;
  }
}

int finish(output& out, const std::string& error) {
  if (!out.finish()) {
    complain(out.error());
    return 1;
  }
  if (!error.empty()) {
    complain(error);
    return 1;
  }
  return 0;
}

}  // namespace morsel_cli
