#include <bit>
#include <cstdint>
#include <limits>
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

// Sizes around the count byte's wrap-around.
constexpr std::size_t kSizes[] = {0, 1, 255, 256, 1000};

// cppcheck-suppress constParameter ; drawing from the generator changes it
std::vector<std::uint64_t> random_words(std::mt19937_64& rng, std::size_t n) {
  std::vector<std::uint64_t> words(n);
  for (auto& word : words) {
    word = rng();
  }
  return words;
}

TEST(ArrayRoundTrip, RandomArraysOfEveryElementType) {
  std::mt19937_64 rng(42);
  for (const std::size_t n : kSizes) {
    const std::vector<std::uint64_t> words = random_words(rng, n);

    std::vector<unsigned char> bytes;
    std::vector<double> doubles;
    std::vector<std::string> strings;
    for (const std::uint64_t word : words) {
      bytes.push_back(static_cast<unsigned char>(word));
      doubles.push_back(std::bit_cast<double>(word));  // NaN payloads included
      strings.emplace_back(word % 256, static_cast<char>(word >> 8U));
    }
    const std::vector<unsigned long> longs(words.begin(), words.end());

    EXPECT_EQ(morsel::deserialize_u8_array(serialize(bytes)), bytes) << n;
    EXPECT_EQ(morsel::deserialize_u64_array(serialize(longs)), longs) << n;
    EXPECT_EQ(morsel::deserialize_string_array(serialize(strings)), strings) << n;
    std::vector<std::uint64_t> bits_back;
    for (const double d : morsel::deserialize_f64_array(serialize(doubles))) {
      bits_back.push_back(std::bit_cast<std::uint64_t>(d));
    }
    EXPECT_EQ(bits_back, words) << n;
  }
}

TEST(ArrayRoundTrip, SpecialDoublesAndAwkwardStrings) {
  const std::vector<double> doubles = {-0.0, std::numeric_limits<double>::infinity(),
                                       std::bit_cast<double>(0x7FF0000000000001UL),
                                       std::numeric_limits<double>::denorm_min()};
  const auto back = morsel::deserialize_f64_array(serialize(doubles));
  ASSERT_EQ(back.size(), doubles.size());
  for (std::size_t i = 0; i < doubles.size(); ++i) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back[i]), std::bit_cast<std::uint64_t>(doubles[i]));
  }
  const std::vector<std::string> strings = {
      "", "abcd", std::string("\0\0", 2), std::string(255, 'x'), "\xAA\x04", "\xAB"};
  EXPECT_EQ(morsel::deserialize_string_array(serialize(strings)), strings);
}

// An element longer than 255 bytes is written with its length modulo 256, so the walk loses its
// place; here that is caught.
TEST(ArrayDecoding, AStringElementOver255BytesIsRejected) {
  const Bytes item = serialize(std::vector<std::string>{std::string(300, 'z')});
  EXPECT_THROW((void)morsel::deserialize_string_array(item), morsel::decode_error);
}

TEST(ArrayDecoding, AStringElementWithTheGenericTagMayHoldFourBytes) {
  EXPECT_EQ(morsel::deserialize_string_array(hex("AD 01 AB 04 61626364")),
            std::vector<std::string>{"abcd"});
}

TEST(PersonRoundTrip, RandomRecords) {
  std::mt19937 rng(3);
  for (int i = 0; i < 500; ++i) {
    const auto bits = static_cast<std::uint32_t>(rng());
    const Person person{static_cast<std::uint8_t>(rng()), std::bit_cast<float>(bits), "Grace"};
    const Person back = morsel::deserialize_person(serialize(person));
    EXPECT_EQ(back.age, person.age);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(back.height), bits);
    EXPECT_EQ(back.name, "");
  }
  const Person tall = morsel::deserialize_person(hex("AE A2 1E A8 3FC00000 FFFF"));
  EXPECT_EQ(tall.age, 30);
  EXPECT_EQ(tall.height, 1.5F);
}

}  // namespace
