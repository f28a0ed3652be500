#include <stdexcept>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <morsel/morsel.h>

#include "hex.h"

namespace {

using morsel::serialize;
using morsel_test::Bytes;
using morsel_test::concat;
using morsel_test::hex;

struct StringCase {
  std::string text;
  Bytes expected;
};

void PrintTo(const StringCase& c, std::ostream* out) {
  *out << c.text.size() << "-byte string";
}

class StringEncoding : public testing::TestWithParam<StringCase> {};

// The tag depends on the length alone: 0xAA for exactly four bytes, 0xAB for every other length.
TEST_P(StringEncoding, WritesTagLengthAndBytesAndDecodesBack) {
  const auto& [text, expected] = GetParam();
  EXPECT_EQ(serialize(text), expected);
  EXPECT_EQ(serialize(std::string_view(text)), expected);
  // The pointer overload stops at the first zero byte.
  EXPECT_EQ(serialize(text.c_str()), serialize(text.substr(0, text.find('\0'))));
  EXPECT_EQ(morsel::deserialize_string(expected), text);
}

INSTANTIATE_TEST_SUITE_P(Lengths, StringEncoding,
                         testing::Values(StringCase{"", hex("AB 00")},
                                         StringCase{"a", hex("AB 01 61")},
                                         StringCase{"abc", hex("AB 03 616263")},
                                         StringCase{"abcd", hex("AA 04 61626364")},
                                         StringCase{"abcde", hex("AB 05 6162636465")},
                                         StringCase{std::string("a\0b", 3), hex("AB 03 610062")},
                                         StringCase{"\xff\x80\x01\x7f", hex("AA 04 FF80017F")}));

TEST(StringEncoding, LengthsAbove255AreWrittenModulo256AndStillDecode) {
  for (const std::size_t length : {255U, 256U, 300U, 4096U + 4U}) {
    const std::string text(length, 'x');
    const Bytes item = serialize(text);
    ASSERT_EQ(item.size(), length + 2);
    EXPECT_EQ(item[0], morsel::TAG_STR) << length;
    EXPECT_EQ(item[1], static_cast<unsigned char>(length % 256)) << length;
    EXPECT_EQ(morsel::deserialize_string(item), text) << length;
  }
}

TEST(StringEncoding, CharacterPointersEncodeAsStringsNotAsBool) {
  EXPECT_EQ(serialize("abc"), hex("AB 03 616263"));
  EXPECT_EQ(serialize(""), hex("AB 00"));
  EXPECT_EQ(serialize(u8"d\u00e9j\u00e0"), hex("AB 06 64C3A96AC3A0"));
  char writable[] = "abcd";
  EXPECT_EQ(serialize(static_cast<char*>(writable)), hex("AA 04 61626364"));
  const char* null_text = nullptr;
  EXPECT_THROW(serialize(null_text), std::invalid_argument);
  const char8_t* null_utf8 = nullptr;
  EXPECT_THROW(serialize(null_utf8), std::invalid_argument);
}

TEST(StringDecoding, IgnoresTheLengthByteAndReadsToTheEnd) {
  EXPECT_EQ(morsel::deserialize_string(hex("AA 09 41")), "A");
  EXPECT_EQ(morsel::deserialize_string(hex("AB FF")), "");
  const Bytes followed = concat(serialize(std::string("hi")), serialize(1U));
  EXPECT_EQ(morsel::deserialize_string(followed), std::string("hi\xA3\0\0\0\x01", 7));
}

}  // namespace
