// The programs load only the C library: no C++ runtime at start-up.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "run_program.h"

namespace {

std::string needed_libraries(const std::string& binary) {
  const auto outcome = program_test::run({.program = "/usr/bin/readelf", .args = {"-d", binary}});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  std::istringstream lines(outcome.out);
  std::string needed;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("(NEEDED)") != std::string::npos) {
      needed += line.substr(line.find('[')) + "\n";
    }
  }
  return needed;
}

TEST(ProgramLinkage, OnlyTheCLibraryIsNeeded) {
  EXPECT_EQ(needed_libraries(PATHFIND_BIN), "[libc.so.6]\n");
  EXPECT_EQ(needed_libraries(MULTIPLY_DEMO_BIN), "[libc.so.6]\n");
}

}  // namespace
