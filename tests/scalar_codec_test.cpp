#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/morsel.h>

#include "hex.h"

namespace {

using morsel::serialize;
using morsel_test::Bytes;
using morsel_test::hex;

struct EncodeCase {
  const char* what;
  Bytes encoded;
  Bytes expected;
};

void PrintTo(const EncodeCase& c, std::ostream* out) {
  *out << c.what;
}

class ScalarEncoding : public testing::TestWithParam<EncodeCase> {};

TEST_P(ScalarEncoding, WritesExactBytes) {
  EXPECT_EQ(GetParam().encoded, GetParam().expected) << GetParam().what;
}

constexpr auto kU64Max = std::numeric_limits<unsigned long>::max();
constexpr auto kI64Min = std::numeric_limits<long>::min();
constexpr auto kI64Max = std::numeric_limits<long>::max();
constexpr auto kI32Min = std::numeric_limits<int>::min();

INSTANTIATE_TEST_SUITE_P(
    AllKinds, ScalarEncoding,
    testing::Values(
        EncodeCase{"true", serialize(true), hex("A0")},
        EncodeCase{"false", serialize(false), hex("A1")},
        EncodeCase{"u8 0", serialize(static_cast<unsigned char>(0)), hex("A2 00")},
        EncodeCase{"u8 200", serialize(static_cast<unsigned char>(200)), hex("A2 C8")},
        EncodeCase{"u8 max", serialize(static_cast<unsigned char>(255)), hex("A2 FF")},
        EncodeCase{"u32 0", serialize(0U), hex("A3 00000000")},
        EncodeCase{"u32 1", serialize(1U), hex("A3 00000001")},
        EncodeCase{"u32 order", serialize(0x01020304U), hex("A3 01020304")},
        EncodeCase{"u32 max", serialize(0xFFFFFFFFU), hex("A3 FFFFFFFF")},
        EncodeCase{"u64 0", serialize(0UL), hex("A4 0000000000000000")},
        EncodeCase{"u64 order", serialize(0x0102030405060708UL), hex("A4 0102030405060708")},
        EncodeCase{"u64 max", serialize(kU64Max), hex("A4 FFFFFFFFFFFFFFFF")},
        EncodeCase{"i8 0", serialize(static_cast<signed char>(0)), hex("A5 00")},
        EncodeCase{"i8 -1", serialize(static_cast<signed char>(-1)), hex("A5 FF")},
        EncodeCase{"i8 min", serialize(static_cast<signed char>(-128)), hex("A5 80")},
        EncodeCase{"i8 max", serialize(static_cast<signed char>(127)), hex("A5 7F")},
        EncodeCase{"i32 -1", serialize(-1), hex("A6 FFFFFFFF")},
        EncodeCase{"i32 min", serialize(kI32Min), hex("A6 80000000")},
        EncodeCase{"i32 max", serialize(0x7FFFFFFF), hex("A6 7FFFFFFF")},
        EncodeCase{"i64 -2 under the u64 tag", serialize(-2L), hex("A4 FFFFFFFFFFFFFFFE")},
        EncodeCase{"i64 min", serialize(kI64Min), hex("A4 8000000000000000")},
        EncodeCase{"i64 max", serialize(kI64Max), hex("A4 7FFFFFFFFFFFFFFF")},
        EncodeCase{"f32 1.0", serialize(1.0F), hex("A8 3F800000")},
        EncodeCase{"f32 -0.0", serialize(-0.0F), hex("A8 80000000")},
        EncodeCase{"f32 -inf", serialize(-std::numeric_limits<float>::infinity()),
                   hex("A8 FF800000")},
        EncodeCase{"f32 NaN payload", serialize(std::bit_cast<float>(0x7FA12345U)),
                   hex("A8 7FA12345")},
        EncodeCase{"f32 smallest subnormal", serialize(std::numeric_limits<float>::denorm_min()),
                   hex("A8 00000001")},
        EncodeCase{"f64 1.0", serialize(1.0), hex("A9 3FF0000000000000")},
        EncodeCase{"f64 -0.0", serialize(-0.0), hex("A9 8000000000000000")},
        EncodeCase{"f64 NaN payload", serialize(std::bit_cast<double>(0xFFF0000000000ABCUL)),
                   hex("A9 FFF0000000000ABC")},
        EncodeCase{"f64 max", serialize(std::numeric_limits<double>::max()),
                   hex("A9 7FEFFFFFFFFFFFFF")}));

TEST(ScalarDecoding, ReadsTheItemAtTheStartAndIgnoresTrailingBytes) {
  EXPECT_FALSE(morsel::deserialize_bool(hex("A1 A0 FF")));
  EXPECT_TRUE(morsel::deserialize_bool(hex("A0 A1")));
  EXPECT_EQ(morsel::deserialize_u8(hex("A2 C8 00")), 200);
  EXPECT_EQ(morsel::deserialize_i8(hex("A5 80")), -128);
  EXPECT_EQ(morsel::deserialize_u32(hex("A3 00000001 FF")), 1U);
  EXPECT_EQ(morsel::deserialize_u32(hex("A3 01020304")), 0x01020304U);
  EXPECT_EQ(morsel::deserialize_i32(hex("A6 FFFFFFFF")), -1);
  EXPECT_EQ(morsel::deserialize_i32(hex("A6 80000000")), kI32Min);
  EXPECT_EQ(morsel::deserialize_u64(hex("A4 0102030405060708 AA")), 0x0102030405060708UL);
  EXPECT_EQ(morsel::deserialize_i64(hex("A4 8000000000000000")), kI64Min);
  EXPECT_EQ(morsel::deserialize_f64(hex("A9 3FF0000000000000")), 1.0);
}

TEST(ScalarDecoding, U64AndI64ShareOneTag) {
  const Bytes minus_two = serialize(-2L);
  EXPECT_EQ(morsel::deserialize_u64(minus_two), kU64Max - 1);
  EXPECT_EQ(morsel::deserialize_i64(minus_two), -2L);
  EXPECT_EQ(morsel::deserialize_i64(serialize(kU64Max)), -1L);
}

TEST(ScalarDecoding, FloatDecodersReadAnyTagAndLeaveTheCallersBufferAlone) {
  const Bytes f32_item = hex("A8 3F800000");
  EXPECT_EQ(morsel::deserialize_f32(f32_item), 1.0F);
  EXPECT_EQ(f32_item, hex("A8 3F800000"));
  EXPECT_EQ(morsel::deserialize_f32(hex("A3 3F800000")), 1.0F);
  EXPECT_EQ(morsel::deserialize_f32(hex("00 3F800000")), 1.0F);
  EXPECT_EQ(morsel::deserialize_f64(serialize(0x3FF0000000000000UL)), 1.0);
}

// Random values of every kind come back unchanged; floats are compared bit for bit so that NaN
// payloads and signed zeros count.
TEST(ScalarRoundTrip, RandomValuesOfEveryKind) {
  std::mt19937_64 rng(20261208);
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t bits = rng();
    const auto u8 = static_cast<unsigned char>(bits);
    const auto i8 = std::bit_cast<signed char>(u8);
    const auto u32 = static_cast<std::uint32_t>(bits);
    const auto i32 = std::bit_cast<int>(u32);
    const auto i64 = std::bit_cast<long>(bits);
    const auto f32 = std::bit_cast<float>(u32);
    const auto f64 = std::bit_cast<double>(bits);

    ASSERT_EQ(morsel::deserialize_bool(serialize((bits & 1U) != 0)), (bits & 1U) != 0);
    ASSERT_EQ(morsel::deserialize_u8(serialize(u8)), u8);
    ASSERT_EQ(morsel::deserialize_i8(serialize(i8)), i8);
    ASSERT_EQ(morsel::deserialize_u32(serialize(u32)), u32);
    ASSERT_EQ(morsel::deserialize_i32(serialize(i32)), i32);
    ASSERT_EQ(morsel::deserialize_u64(serialize(bits)), bits);
    ASSERT_EQ(morsel::deserialize_i64(serialize(i64)), i64);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(morsel::deserialize_f32(serialize(f32))), u32);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(morsel::deserialize_f64(serialize(f64))), bits);
  }
}

TEST(ScalarRoundTrip, SpecialFloatsKeepTheirBits) {
  for (const double value :
       {-0.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::signaling_NaN(), std::numeric_limits<double>::denorm_min()}) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(morsel::deserialize_f64(serialize(value))),
              std::bit_cast<std::uint64_t>(value));
    const auto narrow = static_cast<float>(value);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(morsel::deserialize_f32(serialize(narrow))),
              std::bit_cast<std::uint32_t>(narrow));
  }
}

}  // namespace
