#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/morsel.h>

#include "decoders.h"
#include "hex.h"

namespace {

using morsel::serialize;
using morsel_test::Bytes;
using morsel_test::Decoder;
using morsel_test::hex;

struct Malformed {
  const char* why;
  Decoder decoder;
  Bytes input;
};

std::ostream& operator<<(std::ostream& out, const Malformed& c) {
  return out << c.decoder << ": " << c.why;
}

class MalformedInput : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedInput, IsRejectedWithDecodeError) {
  EXPECT_THROW(GetParam().decoder.decode(GetParam().input), morsel::decode_error);
}

using namespace morsel_test;  // the decoder table

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedInput,
    testing::Values(Malformed{"empty", kBool, {}}, Malformed{"not a bool tag", kBool, hex("A2")},
                    Malformed{"0xA7 is not a tag", kBool, hex("A7")},
                    Malformed{"tag without payload", kU8, hex("A2")},
                    Malformed{"i8 item", kU8, hex("A5 01")},
                    Malformed{"u8 item", kI8, hex("A2 01")},
                    Malformed{"size 4", kU32, hex("A3 000000")},
                    Malformed{"i32 item", kU32, hex("A6 00000001")},
                    Malformed{"f32 item", kU32, hex("A8 3F800000")},
                    Malformed{"u32 item", kI32, hex("A3 00000001")},
                    Malformed{"size 8", kU64, hex("A4 00000000000000")},
                    Malformed{"f64 item", kU64, hex("A9 3FF0000000000000")},
                    Malformed{"u32 item padded to 9 bytes", kI64, hex("A3 0000000000000000")},
                    Malformed{"empty", kF32, {}}, Malformed{"size 4", kF32, hex("A8 3F8000")},
                    Malformed{"empty", kF64, {}}, Malformed{"f32 item", kF64, hex("A8 3F800000")},
                    Malformed{"tag alone", kString, hex("AB")}, Malformed{"empty", kString, {}},
                    Malformed{"u8 item", kString, hex("A2 41")},
                    Malformed{"string array", kString, hex("AD 00")}));

INSTANTIATE_TEST_SUITE_P(
    ArraysAndPerson, MalformedInput,
    testing::Values(Malformed{"empty", kU8Array, {}},
                    Malformed{"no u8 marker", kU8Array, hex("AC 00")},
                    Malformed{"wrong marker", kU8Array, hex("AC 01 A4 01")},
                    Malformed{"string array tag", kU8Array, hex("AD 00 A2")},
                    Malformed{"count too high", kU8Array, hex("AC 03 A2 0102")},
                    Malformed{"count too low", kU8Array, hex("AC 01 A2 0102")},
                    Malformed{"tag alone", kU64Array, hex("AC")},
                    Malformed{"u8 array", kU64Array, hex("AC 00 A2")},
                    Malformed{"f64 element", kU64Array, hex("AC 01 A9 3FF0000000000000")},
                    Malformed{"second element mistagged", kU64Array,
                              hex("AC 02 A4 0000000000000001 A3 0000000000000002")},
                    Malformed{"truncated element", kU64Array, hex("AC 01 A4 00000000000000")},
                    Malformed{"trailing byte", kU64Array, hex("AC 01 A4 0000000000000001 00")},
                    Malformed{"count mismatch", kU64Array, hex("AC 02 A4 0000000000000001")},
                    Malformed{"string array tag", kU64Array, hex("AD 00")},
                    Malformed{"u64 element", kF64Array, hex("AC 01 A4 3FF0000000000000")},
                    Malformed{"count mismatch", kF64Array, hex("AC 00 A9 3FF0000000000000")},
                    Malformed{"empty", kStringArray, {}},
                    Malformed{"scalar array tag", kStringArray, hex("AC 00")},
                    Malformed{"count without elements", kStringArray, hex("AD 01")},
                    Malformed{"element tag alone", kStringArray, hex("AD 01 AB")},
                    Malformed{"element too short", kStringArray, hex("AD 01 AB 03 6162")},
                    Malformed{"element not a string", kStringArray, hex("AD 01 A2 01")},
                    Malformed{"4-byte tag with another length", kStringArray,
                              hex("AD 01 AA 03 616263")},
                    Malformed{"trailing byte", kStringArray, hex("AD 01 AB 01 61 00")},
                    Malformed{"count mismatch", kStringArray, hex("AD 02 AB 01 61")},
                    Malformed{"size 7", kPerson, hex("AE A2 1E A8 3FC000")},
                    Malformed{"wrong record tag", kPerson, hex("AD A2 1E A8 3FC00000")},
                    Malformed{"age not a u8 item", kPerson, hex("AE A5 1E A8 3FC00000")},
                    Malformed{"height not an f32 item", kPerson, hex("AE A2 1E A3 3FC00000")}));

// Every proper prefix of a valid item is too short for its decoder.
struct ValidItem {
  Decoder decoder;
  Bytes item;
};

TEST(MalformedInput, EveryProperPrefixOfAValidItemIsRejected) {
  const std::vector<ValidItem> items = {
      {kBool, serialize(true)},
      {kU8, serialize(static_cast<unsigned char>(7))},
      {kI8, serialize(static_cast<signed char>(-7))},
      {kU32, serialize(7U)},
      {kI32, serialize(-7)},
      {kU64, serialize(7UL)},
      {kI64, serialize(-7L)},
      {kF32, serialize(7.0F)},
      {kF64, serialize(7.0)},
      {kString, serialize("")},
      {kString, serialize("abcd")},
      {kU8Array, serialize(std::vector<unsigned char>{})},
      {kU8Array, serialize(std::vector<unsigned char>{1, 2, 3})},
      {kU64Array, serialize(std::vector<unsigned long>{})},
      {kU64Array, serialize(std::vector<unsigned long>{1, 2})},
      {kF64Array, serialize(std::vector<double>{-0.0, 2.5})},
      {kStringArray, serialize(std::vector<std::string>{})},
      {kStringArray, serialize(std::vector<std::string>{"abcd", "", "xyz"})},
      {kPerson, serialize(Person{30, 1.5F, "Ada"})},
  };
  for (const auto& [decoder, item] : items) {
    EXPECT_NO_THROW(decoder.decode(item)) << decoder;
    for (std::size_t size = 0; size < item.size(); ++size) {
      if (decoder.decode == kString.decode && size >= 2) {
        continue;  // a string item cut after its header is a shorter string, not an error
      }
      const Bytes prefix(item.begin(), item.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_THROW(decoder.decode(prefix), morsel::decode_error) << decoder << " size " << size;
    }
  }
}

TEST(MalformedInput, MessageNamesTheDecoderAndWhatWasWrong) {
  const auto message = [](const Bytes& input) {
    try {
      (void)morsel::deserialize_u32(input);
    } catch (const morsel::decode_error& error) {
      return std::string(error.what());
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message(hex("A3 000000")), "deserialize_u32: need 5 bytes, got 4");
  EXPECT_EQ(message(hex("A6 00000001")), "deserialize_u32: expected tag 0xa3, got 0xa6");
  try {
    (void)morsel::deserialize_u64_array(hex("AC 02 A4 0000000000000001"));
    ADD_FAILURE() << "no exception";
  } catch (const morsel::decode_error& error) {
    EXPECT_STREQ(error.what(), "deserialize_u64_array: count byte is 2, elements found: 1");
    EXPECT_EQ(error.stopped_at(), 1U);
  }
  try {
    (void)morsel::deserialize_f64_array(hex("AC 02 A9 3FF0000000000000 A4 3FF0000000000000"));
    ADD_FAILURE() << "no exception";
  } catch (const morsel::decode_error& error) {
    EXPECT_STREQ(error.what(),
                 "deserialize_f64_array: element 1 at byte 11: expected tag 0xa9, got 0xa4");
    EXPECT_EQ(error.stopped_at(), 11U);
  }
}

}  // namespace
