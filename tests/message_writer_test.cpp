#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>

#include "hex.h"
#include "huge_buffer.h"

namespace {

using morsel::serialize;
using morsel_test::Bytes;

Bytes bytes_of(const morsel::writer& out) {
  return {out.bytes().begin(), out.bytes().end()};
}

struct Row {
  const char* what;
  Bytes written;
  Bytes serialized;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.what;
}

// Writes `value` after a bool, so that the item does not start the buffer.
template <typename V, typename S = V>
Row row(const char* what, const V& value, const S& same_for_serialize) {
  morsel::writer out;
  out.write(true).write(value);
  return {what, bytes_of(out), morsel_test::concat(serialize(true), serialize(same_for_serialize))};
}
template <typename V>
Row row(const char* what, const V& value) {
  return row(what, value, value);
}

class WriterBytes : public testing::TestWithParam<Row> {};

TEST_P(WriterBytes, EqualSerialize) {
  EXPECT_EQ(GetParam().written, GetParam().serialized);
}

const std::vector<double> kDoubles{-0.0, std::bit_cast<double>(0x7FF0000000000ABCUL), 1.5};
const std::vector<unsigned long> kLongs{0, 1, std::numeric_limits<unsigned long>::max()};
const std::vector<unsigned char> kBytes255(255, 0xA5);
const std::vector<std::string> kStrings{"abcd", "", "xy", std::string(255, 's')};

INSTANTIATE_TEST_SUITE_P(
    EveryKindAtItsBoundaries, WriterBytes,
    testing::Values(
        row("false", false), row("u8 255", static_cast<unsigned char>(255)),
        row("u32 max", std::numeric_limits<unsigned int>::max()),
        row("u64 max", std::numeric_limits<unsigned long>::max()),
        row("i8 min", std::numeric_limits<signed char>::min()),
        row("i32 min", std::numeric_limits<int>::min()),
        row("i64 min under the u64 tag", std::numeric_limits<long>::min()),
        row("f32 NaN payload", std::bit_cast<float>(0x7FA12345U)), row("f64 -0.0", -0.0),
        row("char promotes to i32", 'a'), row("empty string", std::string_view()),
        row("4-byte string", std::string("abcd")), row("255-byte string", std::string(255, 'x')),
        row("literal", "abc"), row("char pointer", static_cast<const char*>("xyz")),
        row("UTF-8 literal", u8"d\u00e9j\u00e0"), row("empty bytes", std::vector<unsigned char>{}),
        row("255 bytes", kBytes255), row("u64 array", kLongs),
        row("f64 array from a span", std::span<const double>(kDoubles), kDoubles),
        row("255 doubles", std::vector<double>(255, 2.5)),
        row("empty strings", std::vector<std::string>{}), row("strings", kStrings),
        row("Person", Person{30, 1.5F, "Ada"})));

// Short strings are copied in pieces chosen by length: every length, each byte unlike its
// neighbours, so that a piece copied from or to the wrong place shows.
TEST(Writer, StringsOfEveryShortLengthMatchSerialize) {
  std::string text;
  for (std::size_t n = 0; n <= 255; ++n) {
    morsel::writer out;
    out.write(text);
    EXPECT_EQ(bytes_of(out), serialize(text)) << n << " bytes";
    text += static_cast<char>('!' + n % 90);
  }
}

// Past 255 a length takes its long form (long_value_test.cpp); past what a u32 holds, nothing.
// The values are views of address space that is never read: the size is checked first.
struct TooLong {
  const char* what;
  void (*write)(morsel::writer&, const morsel_test::huge_buffer&);
  const char* message;
};

void PrintTo(const TooLong& c, std::ostream* out) {
  *out << c.what;
}

class WriterLimit : public testing::TestWithParam<TooLong> {};

constexpr std::size_t kOverU32 = std::size_t{1} << 32U;

TEST_P(WriterLimit, ThrowsLengthErrorAndLeavesTheWriterAsItWas) {
  const morsel_test::huge_buffer huge(kOverU32 * sizeof(std::string));
  morsel::writer out;
  out.write(1U).write("kept");
  const Bytes before = bytes_of(out);
  try {
    GetParam().write(out, huge);
    ADD_FAILURE() << "no error";
  } catch (const std::length_error& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
  EXPECT_EQ(bytes_of(out), before);
}

INSTANTIATE_TEST_SUITE_P(
    OverU32, WriterLimit,
    testing::Values(
        TooLong{"string",
                [](morsel::writer& w, const morsel_test::huge_buffer& huge) {
                  const std::span<const char> text = huge.as<char>(kOverU32);
                  w.write(std::string_view(text.data(), text.size()));
                },
                "morsel::writer: a string of 4294967296 bytes is over 4294967295, the most a "
                "u32 length holds"},
        TooLong{"bytes",
                [](morsel::writer& w, const morsel_test::huge_buffer& huge) {
                  w.write(huge.as<unsigned char>(kOverU32));
                },
                "morsel::writer: a byte vector of 4294967296 bytes is over 4294967295, the most "
                "a u32 length holds"},
        TooLong{"f64s",
                [](morsel::writer& w, const morsel_test::huge_buffer& huge) {
                  w.write(huge.as<double>(kOverU32));
                },
                "morsel::writer: an array of 4294967296 elements is over 4294967295, the most a "
                "u32 length holds"},
        TooLong{"strings",
                [](morsel::writer& w, const morsel_test::huge_buffer& huge) {
                  w.write(huge.as<std::string>(kOverU32));
                },
                "morsel::writer: an array of 4294967296 elements is over 4294967295, the most a "
                "u32 length holds"},
        TooLong{"a member's string",
                [](morsel::writer& w, const morsel_test::huge_buffer& huge) {
                  struct Tagged {
                    unsigned int id;
                    std::optional<std::string_view> text;
                  };
                  const std::span<const char> text = huge.as<char>(kOverU32);
                  w.write(Tagged{2, std::string_view(text.data(), text.size())});
                },
                "morsel::writer: Tagged.text: a string of 4294967296 bytes is over 4294967295, "
                "the most a u32 length holds"}));

TEST(Writer, NullCStringThrowsAndWritesNothing) {
  morsel::writer out;
  const char* null_text = nullptr;
  EXPECT_THROW(out.write(null_text), std::invalid_argument);
  EXPECT_TRUE(out.empty());
}

TEST(Writer, ClearKeepsTheBufferAndTakeMovesOutExactlyTheBytes) {
  morsel::writer out;
  out.write(std::string(200, 'a'));
  const std::size_t capacity = out.capacity();
  const unsigned char* buffer = out.bytes().data();
  out.clear();
  EXPECT_EQ(out.size(), 0U);
  out.write(7U).write(false);
  EXPECT_EQ(out.capacity(), capacity);
  EXPECT_EQ(bytes_of(out), morsel_test::hex("A3 00000007 A1"));

  const Bytes taken = out.take();
  EXPECT_EQ(taken, morsel_test::hex("A3 00000007 A1"));
  EXPECT_EQ(taken.data(), buffer);  // moved, not copied
  EXPECT_TRUE(out.empty());
  out.write(true);
  EXPECT_EQ(bytes_of(out), morsel_test::hex("A0"));
}

// Many items cross several growths of the buffer and still equal the items one by one.
TEST(Writer, GrowsAcrossManyItems) {
  morsel::writer out;
  Bytes expected;
  for (unsigned int i = 0; i < 20000; ++i) {
    const std::string name(i % 40, static_cast<char>('a' + i % 26));
    out.write(i).write(name).write(static_cast<double>(i) / 3);
    for (const Bytes& item :
         {serialize(i), serialize(name), serialize(static_cast<double>(i) / 3)}) {
      expected.insert(expected.end(), item.begin(), item.end());
    }
  }
  EXPECT_EQ(bytes_of(out), expected);
}

// A copy writes on into a buffer of its own; a writer moved from is empty and writes afresh.
TEST(Writer, ACopyWritesIntoABufferOfItsOwn) {
  morsel::writer original;
  original.write(7U);
  morsel::writer copy;
  copy = original;
  original.write(false);
  copy.write(true);
  EXPECT_EQ(bytes_of(original), morsel_test::hex("A3 00000007 A1"));
  EXPECT_EQ(bytes_of(copy), morsel_test::hex("A3 00000007 A0"));

  const unsigned char* buffer = copy.bytes().data();
  morsel::writer moved_to = std::move(copy);
  EXPECT_EQ(moved_to.bytes().data(), buffer);  // moved, not copied
  // NOLINTBEGIN(bugprone-use-after-move,clang-analyzer-cplusplus.Move): a writer moved from is
  // empty and may be written to
  EXPECT_TRUE(copy.empty());
  copy.write(false);
  // NOLINTEND(bugprone-use-after-move,clang-analyzer-cplusplus.Move)
  moved_to.write(2U);
  EXPECT_EQ(bytes_of(copy), morsel_test::hex("A1"));
  EXPECT_EQ(bytes_of(moved_to), morsel_test::hex("A3 00000007 A0 A3 00000002"));
}

}  // namespace
