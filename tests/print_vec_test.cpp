#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/morsel.h>

#include "hex.h"

namespace {

using morsel_test::hex;

std::string dump(const std::vector<unsigned char>& buffer) {
  testing::internal::CaptureStdout();
  morsel::printVec(buffer);
  (void)std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

TEST(PrintVec, LowerCaseHexWithoutLeadingZerosOneBlankAfterEach) {
  EXPECT_EQ(dump({}), "[ ]\n");
  EXPECT_EQ(dump(hex("A2 05")), "[ a2 5 ]\n");
  EXPECT_EQ(dump(hex("00 0F 10 FF")), "[ 0 f 10 ff ]\n");
  EXPECT_EQ(dump(morsel::serialize(Person{30, 1.5F, {}})), "[ ae a2 1e a8 3f c0 0 0 ]\n");
}

}  // namespace
