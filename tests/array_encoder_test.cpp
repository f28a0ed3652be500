#include <bit>
#include <random>
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
// Each element is written exactly as the scalar or string encoder writes it alone. The lengths
// cover whole blocks of eight elements and every remainder, as the wide arrays are written in
// blocks where the processor allows.
template <typename T>
Bytes standalone_items(unsigned char tag, const std::vector<T>& values) {
  Bytes expected{tag, static_cast<unsigned char>(values.size())};
  for (const T& value : values) {
    expected = morsel_test::concat(expected, serialize(value));
  }
  return expected;
}

TEST(ArrayEncoding, ElementsAreTheStandaloneItems) {
  std::mt19937_64 rng(11);
  for (const std::size_t n : {0U, 1U, 3U, 7U, 8U, 9U, 15U, 16U, 17U, 23U, 64U, 1000U}) {
    std::vector<unsigned long> longs;
    std::vector<double> doubles;
    for (std::size_t i = 0; i < n; ++i) {
      longs.push_back(rng());
      doubles.push_back(std::bit_cast<double>(rng()));
    }
    EXPECT_EQ(serialize(longs), standalone_items(morsel::TAG_ARRAY, longs)) << n;
    EXPECT_EQ(serialize(doubles), standalone_items(morsel::TAG_ARRAY, doubles)) << n;
  }
  const std::vector<std::string> strings = {"", "four", std::string(300, 'z'), "x"};
  EXPECT_EQ(serialize(strings), standalone_items(morsel::TAG_STR_ARRAY, strings));
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
