#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_program.h"

// Compiled into this test from the program's own source, with its main renamed.
void multiply_ptrs(const int* x, const int* y, int* z);

namespace {

TEST(MultiplyDemo, PrintsItsLineAndExitsZeroWhateverItsArguments) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"7", "8"}, {"-a", "--help", ""}}) {
    const auto outcome = program_test::run({.program = MULTIPLY_DEMO_BIN, .args = args});
    EXPECT_EQ(outcome.out, "Function print Z: 30 \n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 0);
  }
}

// A line that cannot be written is a failure, reported by the status alone.
TEST(MultiplyDemo, ExitsOneWhenItsLineCannotBeWritten) {
  for (const auto mode : {program_test::Stdout::closed, program_test::Stdout::full_device}) {
    const auto outcome = program_test::run({.program = MULTIPLY_DEMO_BIN, .stdout_mode = mode});
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 1);
  }
}

struct Product {
  int x;
  int y;
  int z;
};

TEST(MultiplyDemo, StoresAndPrintsTheWrappedProduct) {
  for (const auto& [x, y, expected] : std::vector<Product>{{-3, 7, -21},
                                                           {0, INT_MIN, 0},
                                                           {INT_MAX, 2, -2},
                                                           {INT_MIN, -1, INT_MIN},
                                                           {65536, 65536, 0},
                                                           {46341, 46341, -2147479015}}) {
    int z = 12345;
    testing::internal::CaptureStdout();
    multiply_ptrs(&x, &y, &z);
    (void)std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(z, expected) << x << " * " << y;
    EXPECT_EQ(printed, "Function print Z: " + std::to_string(expected) + " \n");
  }
}

}  // namespace
