// Strings, byte vectors and arrays past 255 bytes or elements: their long form's bytes at the
// boundaries, nested in containers and records, every way its parts can be wrong, and through a
// stream cut at every byte.
#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/stream.h>

#include "allocation_counter.h"
#include "hex.h"

namespace {

using morsel_test::Bytes;
using morsel_test::concat;
using morsel_test::hex;

template <typename T>
Bytes written(const T& value) {
  morsel::writer out;
  out.write(value);
  return {out.bytes().begin(), out.bytes().end()};
}

std::string text_of(std::size_t n) {
  std::string text(n, 'x');
  for (std::size_t i = 0; i < n; ++i) {
    text[i] = static_cast<char>('a' + i % 26);
  }
  return text;
}

std::vector<unsigned char> bytes_of(std::size_t n) {
  std::vector<unsigned char> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<unsigned char>(i * 7);
  }
  return bytes;
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t n) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
          bytes.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

// The worked examples of docs/format.md, byte for byte.
TEST(LongForm, WorkedExamples) {
  const Bytes string300 = written(std::string(300, 'x'));
  EXPECT_EQ(string300, concat(concat(hex("A3 0000012C AB FF"), Bytes(255, 0x78)),
                              concat(hex("AB 2D"), Bytes(45, 0x78))));
  const Bytes string259 = written(text_of(259));
  EXPECT_EQ(slice(string259, string259.size() - 6, 2), hex("AA 04"));
  const Bytes doubles = written(std::vector<double>(256, 1.0));
  ASSERT_EQ(doubles.size(), 5U + 256 * 9);
  EXPECT_EQ(slice(doubles, 0, 14), hex("A3 00000100 A9 3FF0000000000000"));
  EXPECT_EQ(slice(doubles, doubles.size() - 9, 9), hex("A9 3FF0000000000000"));
}

// Each form at the lengths where one ends and the next begins: its size, how it starts, and the
// header of its last part where it has parts.
struct Boundary {
  std::string what;
  Bytes bytes;
  std::size_t size;
  Bytes starts;
  std::size_t last_part = 0;  // offset of the last part's header from the end, or 0
  Bytes last_header{};
};

void PrintTo(const Boundary& b, std::ostream* out) {
  *out << b.what;
}

class LongFormBytes : public testing::TestWithParam<Boundary> {};

TEST_P(LongFormBytes, AreTheDocumentedOnes) {
  const Boundary& b = GetParam();
  ASSERT_EQ(b.bytes.size(), b.size);
  EXPECT_EQ(slice(b.bytes, 0, b.starts.size()), b.starts);
  if (b.last_part != 0) {
    EXPECT_EQ(slice(b.bytes, b.size - b.last_part, b.last_header.size()), b.last_header);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LongFormBytes,
    testing::Values(Boundary{"string 255", written(text_of(255)), 257, hex("AB FF 61")},
                    Boundary{"string 256", written(text_of(256)), 265, hex("A3 00000100 AB FF 61"),
                             3, hex("AB 01")},
                    Boundary{"string 259", written(text_of(259)), 268, hex("A3 00000103 AB FF"), 6,
                             hex("AA 04")},
                    Boundary{"string 510", written(text_of(510)), 519, hex("A3 000001FE AB FF"),
                             257, hex("AB FF")},
                    Boundary{"string 511", written(text_of(511)), 522, hex("A3 000001FF AB FF"), 3,
                             hex("AB 01")},
                    Boundary{"bytes 255", written(bytes_of(255)), 258, hex("AC FF A2 00 07")},
                    Boundary{"bytes 256", written(bytes_of(256)), 267,
                             hex("A3 00000100 AC FF A2 00"), 4, hex("AC 01 A2")},
                    Boundary{"bytes 511", written(bytes_of(511)), 525, hex("A3 000001FF AC FF A2"),
                             4, hex("AC 01 A2")},
                    Boundary{"u64s 255", written(std::vector<unsigned long>(255, 2)), 2 + 255 * 9,
                             hex("AC FF A4 0000000000000002")},
                    Boundary{"u64s 256", written(std::vector<unsigned long>(256, 2)), 5 + 256 * 9,
                             hex("A3 00000100 A4 0000000000000002")},
                    Boundary{"f64s 511", written(std::vector<double>(511, 0.5)), 5 + 511 * 9,
                             hex("A3 000001FF A9 3FE0000000000000")},
                    Boundary{"strings 255", written(std::vector<std::string>(255, "s")),
                             2 + 255 * 3, hex("AD FF AB 01 73")},
                    Boundary{"strings 256", written(std::vector<std::string>(256, "s")),
                             5 + 256 * 3, hex("A3 00000100 AB 01 73")},
                    Boundary{"two strings, one long",
                             written(std::vector<std::string>{"a", text_of(256)}), 5 + 3 + 265,
                             hex("A3 00000002 AB 01 61 A3 00000100 AB FF")},
                    Boundary{"std::array of two strings, one long",
                             written(std::array<std::string, 2>{text_of(300), ""}), 5 + 309 + 2,
                             hex("A3 00000002 A3 0000012C AB FF")},
                    Boundary{"std::array of 256 doubles", written(std::array<double, 256>{}),
                             5 + 256 * 9, hex("A3 00000100 A9 0000000000000000")},
                    Boundary{"std::array of 300 bytes", written(std::array<unsigned char, 300>{}),
                             5 + 300 + 6, hex("A3 0000012C AC FF A2 00"), 48, hex("AC 2D A2")}));

struct Event {
  unsigned long time_ns;
  std::string message;
  std::vector<double> samples;
  std::map<std::string, std::string> tags;
  std::optional<std::vector<unsigned char>> blob;
  std::vector<std::string> lines;
  bool operator==(const Event&) const = default;
};

// Long values inside records and containers, at the top level and through a stream, read back as
// they were written, by either form.
TEST(LongForm, NestedValuesRoundTrip) {
  const std::vector<Event> events = {
      {1,
       text_of(2000),
       std::vector<double>(1000, 0.25),
       {{"host", text_of(300)}},
       bytes_of(4096),
       {text_of(256), "", text_of(255)}},
      {2, "short", {1.5}, {}, std::nullopt, std::vector<std::string>(300, "line")},
      {3, text_of(255), std::vector<double>(255, -1.0), {{text_of(400), "v"}}, bytes_of(255), {}},
  };
  morsel::writer out;
  out.write(events).write(events[0]);
  morsel::reader in(out.bytes());
  EXPECT_EQ(in.read<std::vector<Event>>(), events);
  EXPECT_EQ(in.read<Event>(), events[0]);
  EXPECT_TRUE(in.empty());

  morsel::stream stream;
  std::optional<std::vector<Event>> streamed;
  for (std::size_t fed = 0; fed < out.size() && !streamed; fed += 1000) {
    stream.feed(out.bytes().subspan(fed, std::min<std::size_t>(1000, out.size() - fed)));
    streamed = stream.read<std::vector<Event>>();
  }
  EXPECT_EQ(streamed, events);
}

// A view reads one run of bytes in place; a long value's bytes are in parts.
TEST(LongForm, ViewsRefuseALongValueWithoutMoving) {
  morsel::writer out;
  out.write(std::string(300, 'x')).write(bytes_of(256)).write(std::vector<double>(256));
  struct View {
    std::size_t at;
    std::function<void(morsel::reader&)> read;
    const char* message;
  };
  const std::vector<View> views = {
      View{0, [](morsel::reader& in) { (void)in.read<std::string_view>(); },
           "byte 0: a long string (300 bytes) is in parts, and a view needs one run of "
           "bytes: read a std::string"},
      View{309, [](morsel::reader& in) { (void)in.read<std::span<const unsigned char>>(); },
           "byte 309: a long u8 array (256 bytes) is in parts, and a view needs one run of "
           "bytes: read a std::vector<unsigned char>"},
      View{576, [](morsel::reader& in) { (void)in.read<morsel::f64_array_view>(); },
           "byte 576: a long f64 array (256 elements) is in parts, and a view needs one run "
           "of bytes: read a std::vector"},
  };
  for (const View& v : views) {
    morsel::reader in(out.bytes());
    while (in.offset() < v.at) {
      in.skip();
    }
    try {
      v.read(in);
      ADD_FAILURE() << "no error at " << v.at;
    } catch (const morsel::decode_error& e) {
      EXPECT_STREQ(e.what(), v.message);
    }
    EXPECT_EQ(in.offset(), v.at);
  }
}

// Every way a long form can be wrong, each refused with where and why, the reader not moved.
struct Malformed {
  std::string what;
  Bytes bytes;
  std::function<void(morsel::reader&)> read;
  std::string message;
  bool truncated;
  std::size_t stopped_at;  // the byte that is wrong, or the end of the bytes
};

void PrintTo(const Malformed& m, std::ostream* out) {
  *out << m.what;
}

template <typename T>
std::function<void(morsel::reader&)> as() {
  return [](morsel::reader& in) { (void)in.read<T>(); };
}

// A long string of `n` bytes with its part `part` given the header `header` instead.
Bytes long_string_with(std::size_t n, std::size_t part, const char* header) {
  Bytes bytes = written(std::string(n, 'x'));
  const Bytes replacement = hex(header);
  std::copy(replacement.begin(), replacement.end(),
            bytes.begin() + static_cast<std::ptrdiff_t>(5 + part * 257));
  return bytes;
}

// `n` doubles in their long form, element `at` under tag `tag`.
Bytes doubles_with_tag(std::size_t n, std::size_t at, unsigned char tag) {
  Bytes bytes = written(std::vector<double>(n));
  bytes[5 + at * 9] = tag;
  return bytes;
}

class MalformedLongForm : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedLongForm, IsRefusedWithoutMoving) {
  const Malformed& m = GetParam();
  const Bytes bytes = concat(hex("A1"), m.bytes);
  morsel::reader in(bytes);
  in.skip();
  try {
    m.read(in);
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_EQ(std::string(e.what()), m.message);
    EXPECT_EQ(dynamic_cast<const morsel::truncated_error*>(&e) != nullptr, m.truncated);
    EXPECT_EQ(e.stopped_at(), m.stopped_at);
  }
  EXPECT_EQ(in.offset(), 1U);
}

struct Titled {
  unsigned int id;
  std::string title;
};

INSTANTIATE_TEST_SUITE_P(
    Splits, MalformedLongForm,
    testing::Values(
        Malformed{"a long form of what fits the short one", hex("A3 00000004 AA 04 61626364"),
                  as<std::string>(),
                  "byte 1: a long string of 4 bytes, which a string item holds: the long form is "
                  "for more than 255",
                  false, 2},
        Malformed{"a part shorter than 255", long_string_with(300, 0, "AB FE"), as<std::string>(),
                  "byte 1: a long string of 300 bytes: part 0 (255 bytes) at byte 6: expected "
                  "length 255, got 254",
                  false, 7},
        Malformed{"parts that do not add up", long_string_with(300, 1, "AB 2C"), as<std::string>(),
                  "byte 1: a long string of 300 bytes: part 1 (45 bytes) at byte 263: expected "
                  "length 45, got 44",
                  false, 264},
        Malformed{"a part of another kind", long_string_with(300, 1, "AC 2D"), as<std::string>(),
                  "byte 1: a long string of 300 bytes: part 1 (45 bytes) at byte 263: expected "
                  "tag 0xab, got 0xac",
                  false, 263},
        Malformed{"a last part of 4 under the generic tag", long_string_with(259, 1, "AB 04"),
                  as<std::string>(),
                  "byte 1: a long string of 259 bytes: part 1 (4 bytes) at byte 263: expected "
                  "tag 0xaa, got 0xab",
                  false, 263},
        Malformed{"a byte part without its marker",
                  concat(hex("A3 00000100 AC FF A3"), Bytes(255 + 4, 0)),
                  as<std::vector<unsigned char>>(),
                  "byte 1: a long byte vector of 256 bytes: part 0 (255 bytes) at byte 6: "
                  "expected tag 0xa2, got 0xa3",
                  false, 8},
        Malformed{"a wide element of another kind", doubles_with_tag(256, 7, 0xA4),
                  as<std::vector<double>>(),
                  "byte 1: a long f64 array of 256 elements: element 7 at byte 69: expected tag "
                  "0xa9, got 0xa4",
                  false, 69},
        Malformed{"a wide element of another kind among the last",
                  doubles_with_tag(300, 298, 0xA9 ^ 1), as<std::vector<double>>(),
                  "byte 1: a long f64 array of 300 elements: element 298 at byte 2688: expected "
                  "tag 0xa9, got 0xa8",
                  false, 2688},
        Malformed{"a long array that fits an array item",
                  concat(hex("A3 00000001"), hex("A9 0000000000000000")), as<std::vector<double>>(),
                  "byte 1: a long f64 array of 1 elements, which an array item holds: the long "
                  "form is for more than 255",
                  false, 2},
        Malformed{"a long string array that fits the item", hex("A3 00000002 AB 01 61 AB 00"),
                  as<std::vector<std::string>>(),
                  "byte 1: a long string array of 2 strings of at most 255 bytes, which a string "
                  "array item holds",
                  false, 2},
        Malformed{"a std::array of another count", written(std::vector<double>(300)),
                  as<std::array<double, 256>>(),
                  "byte 1: an array of 300 elements, where a std::array of 256 is read", false, 2},
        Malformed{"the bytes end inside", hex("A3 0000012C AB FF 6162"), as<std::string>(),
                  "byte 1: a long string of 300 bytes needs 309 bytes, 9 left", true, 10},
        Malformed{"the length item cut short", hex("A3 0000"), as<std::string>(),
                  "byte 1: a long string: its length item needs 5 bytes, 3 left", true, 4},
        Malformed{"in a record", concat(hex("A3 00000007"), long_string_with(300, 1, "AB 2E")),
                  as<Titled>(),
                  "byte 6: Titled.title: a long string of 300 bytes: part 1 "
                  "(45 bytes) at byte 268: expected length 45, got 46",
                  false, 269}));

// A length the bytes left cannot hold takes no memory for it.
TEST(LongForm, AHugeLengthIsRefusedBeforeAnyMemoryIsTaken) {
  const Bytes bytes = hex("A3 FFFFFFFF AB FF 6162");
  morsel::reader in(bytes);
  morsel_test::reset_allocations();
  EXPECT_THROW((void)in.read<std::string>(), morsel::truncated_error);
  EXPECT_THROW((void)in.read<std::vector<unsigned char>>(), morsel::decode_error);
  EXPECT_THROW((void)in.read<std::vector<double>>(), morsel::decode_error);
  EXPECT_LT(morsel_test::allocations().largest, std::size_t{1024});
}

// Fed a byte at a time, a long value waits until whole, and once its u32 has come needed() is
// exactly what it lacks; past the limit it is refused at once.
TEST(LongForm, AStreamWaitsForExactlyWhatALongValueLacks) {
  struct Value {
    Bytes bytes;
    std::function<bool(morsel::stream&)> read;
  };
  const auto of = [](const auto& value) {
    using T = std::decay_t<decltype(value)>;
    return Value{written(value), [](morsel::stream& in) { return in.read<T>().has_value(); }};
  };
  for (const Value& v : {of(text_of(600)), of(bytes_of(300)), of(std::vector<double>(300, 1.0)),
                         of(std::vector<unsigned long>(256, 9))}) {
    morsel::stream in;
    for (std::size_t fed = 0; fed < v.bytes.size(); ++fed) {
      ASSERT_FALSE(v.read(in)) << fed;
      if (fed >= 5) {
        EXPECT_EQ(in.needed(), v.bytes.size() - fed) << fed;
      }
      in.feed(std::span<const unsigned char>(v.bytes).subspan(fed, 1));
    }
    EXPECT_TRUE(v.read(in));
    EXPECT_TRUE(in.empty());
  }
  morsel::stream small(1000);
  small.feed(hex("A3 00000500"));
  EXPECT_THROW((void)small.read<std::string>(), morsel::stream_limit_error);
}

}  // namespace
