// pathfind [-a] name...: prints where each name is found in PATH. Exits 0 when the last name was
// found (or no name was given), 1 when it was not, 2 on an option other than "-a" or when standard
// output could not be written.
#include <cstdio>
#include <cstring>

#include "file_exists.h"

namespace {

// A list that did not reach standard output must not pass for a search that succeeded. The error
// flag is sticky, so one check at exit covers every earlier write.
int exit_status(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return 2;
  }
  return status;
}

}  // namespace

int main(int argc, char* argv[]) {
  int all = 0;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "-a") == 0) {
      all = 1;
    } else if (arg[0] == '-') {
      (void)std::fputs("Invalid flag \n", stdout);
      return exit_status(2);
    } else {
      status = file_exists(arg, all) ? 0 : 1;
    }
  }
  return exit_status(status);
}
