#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/morsel.h>

#include "hex.h"

namespace {

using morsel::serialize;
using morsel_test::Bytes;
using morsel_test::hex;

TEST(ArrayEncoding, ExactBytesForEachElementType) {
  EXPECT_EQ(serialize(std::vector<unsigned char>{}), hex("AC 00 A2"));
  EXPECT_EQ(serialize(std::vector<unsigned char>{1, 2}), hex("AC 02 A2 01 02"));
  EXPECT_EQ(serialize(std::vector<unsigned long>{}), hex("AC 00"));
  EXPECT_EQ(serialize(std::vector<unsigned long>{1}), hex("AC 01 A4 0000000000000001"));
  EXPECT_EQ(serialize(std::vector<unsigned long>{0x0102030405060708UL, ~0UL}),
            hex("AC 02 A4 0102030405060708 A4 FFFFFFFFFFFFFFFF"));
  EXPECT_EQ(serialize(std::vector<double>{}), hex("AC 00"));
  EXPECT_EQ(serialize(std::vector<double>{1.0, -0.0}),
            hex("AC 02 A9 3FF0000000000000 A9 8000000000000000"));
  EXPECT_EQ(serialize(std::vector<std::string>{}), hex("AD 00"));
  EXPECT_EQ(serialize(std::vector<std::string>{"abcd", "xy"}),
            hex("AD 02 AA 04 61626364 AB 02 7879"));
  EXPECT_EQ(serialize(std::vector<std::string>{"a", "b", "c", "d"}),
            hex("AD 04 AB 01 61 AB 01 62 AB 01 63 AB 01 64"));
  EXPECT_EQ(serialize(std::vector<std::string>{""}), hex("AD 01 AB 00"));
}

// Each element is written exactly as the scalar or string encoder writes it alone.
TEST(ArrayEncoding, ElementsAreTheStandaloneItems) {
  const std::vector<double> doubles = {3.25, -1e300, 0.0};
  const std::vector<unsigned long> longs = {0, 42, 1UL << 63U};
  const std::vector<std::string> strings = {"", "four", std::string(300, 'z'), "x"};
  Bytes expected_doubles = hex("AC 03");
  Bytes expected_longs = hex("AC 03");
  Bytes expected_strings = hex("AD 04");
  for (const double d : doubles) {
    expected_doubles = morsel_test::concat(expected_doubles, serialize(d));
  }
  for (const unsigned long u : longs) {
    expected_longs = morsel_test::concat(expected_longs, serialize(u));
  }
  for (const std::string& s : strings) {
    expected_strings = morsel_test::concat(expected_strings, serialize(s));
  }
  EXPECT_EQ(serialize(doubles), expected_doubles);
  EXPECT_EQ(serialize(longs), expected_longs);
  EXPECT_EQ(serialize(strings), expected_strings);
}

TEST(ArrayEncoding, CountsAbove255AreWrittenModulo256WithEveryElement) {
  std::vector<unsigned char> bytes(256);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<unsigned char>(i);
  }
  const Bytes item = serialize(bytes);
  ASSERT_EQ(item.size(), 3 + 256U);
  EXPECT_EQ(Bytes(item.begin(), item.begin() + 3), hex("AC 00 A2"));
  EXPECT_EQ(Bytes(item.begin() + 3, item.end()), bytes);

  const Bytes longs = serialize(std::vector<unsigned long>(300, 7));
  EXPECT_EQ(longs.size(), 2 + 9 * 300U);
  EXPECT_EQ(longs[1], 300 % 256);
  const Bytes strings = serialize(std::vector<std::string>(257, "ab"));
  EXPECT_EQ(strings.size(), 2 + 4 * 257U);
  EXPECT_EQ(strings[1], 1);
}

}  // namespace
