#include <bit>
#include <cstdint>
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

TEST(PersonEncoding, ExactBytes) {
  EXPECT_EQ(serialize(Person{30, 1.5F, "Ada"}), hex("AE A2 1E A8 3FC00000"));
  EXPECT_EQ(serialize(Person{}), hex("AE A2 00 A8 00000000"));
  EXPECT_EQ(serialize(Person{255, -0.0F, {}}), hex("AE A2 FF A8 80000000"));
}

// The record is its tag, then the u8 item of age, then the f32 item of height; the name is never
// written.
TEST(PersonEncoding, IsTheTagFollowedByTheAgeAndHeightItems) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    const Person person{static_cast<std::uint8_t>(rng()),
                        std::bit_cast<float>(static_cast<std::uint32_t>(rng())),
                        std::string(rng() % 40, 'n')};
    const Bytes item = serialize(person);
    ASSERT_EQ(item.size(), 8U);
    EXPECT_EQ(item[0], morsel::TAG_PERSON);
    EXPECT_EQ(Bytes(item.begin() + 1, item.begin() + 3), serialize(person.age));
    EXPECT_EQ(Bytes(item.begin() + 3, item.end()), serialize(person.height));
  }
}

}  // namespace
