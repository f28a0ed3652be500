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
}

}  // namespace
