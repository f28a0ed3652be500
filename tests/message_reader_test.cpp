#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>

#include "allocation_counter.h"
#include "hex.h"

namespace {

using morsel::kind;
using morsel_test::Bytes;
using morsel_test::hex;

// One item of every kind, and where each starts.
struct Mixed {
  Bytes bytes;
  std::vector<std::size_t> starts;
};

Mixed mixed_message() {
  morsel::writer out;
  std::vector<std::size_t> starts;
  const auto add = [&](const auto& value) {
    starts.push_back(out.size());
    out.write(value);
  };
  add(true);
  add(static_cast<unsigned char>(200));
  add(4000000000U);
  add(-2L);
  add(static_cast<signed char>(-5));
  add(-7);
  add(std::bit_cast<float>(0x7FA12345U));
  add(-0.0);
  add("abcd");
  add(std::vector<unsigned char>{1, 2});
  add(std::vector<unsigned long>{9});
  add(std::vector<double>{0.5, 2.0});
  add(std::vector<std::string>{"ab", "abcd"});
  add(Person{30, 1.5F, "Ada"});
  return {out.take(), starts};
}

TEST(Reader, ReadsBackTyped) {
  const Mixed message = mixed_message();
  morsel::reader in(message.bytes);
  EXPECT_TRUE(in.read<bool>());
  EXPECT_EQ(in.read<unsigned char>(), 200);
  EXPECT_EQ(in.read<unsigned int>(), 4000000000U);
  EXPECT_EQ(in.read<long>(), -2L);
  EXPECT_EQ(in.read<signed char>(), -5);
  EXPECT_EQ(in.read<int>(), -7);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(in.read<float>()), 0x7FA12345U);
  EXPECT_TRUE(std::signbit(in.read<double>()));
  const std::string_view text = in.read<std::string_view>();
  EXPECT_EQ(text, "abcd");
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(text.data()),
            message.bytes.data() + message.starts[8] + 2);
  EXPECT_EQ(in.read<std::vector<unsigned char>>(), (Bytes{1, 2}));
  EXPECT_EQ(in.read<std::vector<unsigned long>>(), std::vector<unsigned long>{9});
  EXPECT_EQ(in.read<morsel::f64_array_view>().to_vector(), (std::vector<double>{0.5, 2.0}));
  EXPECT_EQ(in.read<std::vector<std::string>>(), (std::vector<std::string>{"ab", "abcd"}));
  const Person person = in.read<Person>();
  EXPECT_EQ(person.age, 30);
  EXPECT_EQ(person.height, 1.5F);
  EXPECT_TRUE(in.empty());
  EXPECT_EQ(in.offset(), message.bytes.size());
}

TEST(Reader, WalksWithNextAndRewritesTheSameBytes) {
  const Mixed message = mixed_message();
  const std::vector<kind> kinds{
      kind::boolean,   kind::u8,        kind::u32,          kind::u64,    kind::i8,
      kind::i32,       kind::f32,       kind::f64,          kind::string, kind::u8_array,
      kind::u64_array, kind::f64_array, kind::string_array, kind::person};
  morsel::reader in(message.bytes);
  morsel::writer again;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    EXPECT_EQ(in.offset(), message.starts[i]);
    EXPECT_EQ(in.peek(), kinds[i]);
    const morsel::item item = in.next();
    EXPECT_EQ(morsel::kind_of(item), kinds[i]) << i;
    again.write(item);
  }
  EXPECT_TRUE(in.empty());
  EXPECT_EQ(Bytes(again.bytes().begin(), again.bytes().end()), message.bytes);
}

// Every proper prefix ends inside some item: reading it throws truncated_error, and the reader
// stays at that item's start, having read every whole item before it.
TEST(Reader, EveryProperPrefixIsTruncatedWithoutMoving) {
  const Mixed message = mixed_message();
  for (std::size_t length = 0; length < message.bytes.size(); ++length) {
    const std::span<const unsigned char> prefix(message.bytes.data(), length);
    std::size_t whole = 0;
    while (whole + 1 < message.starts.size() && message.starts[whole + 1] <= length) {
      ++whole;
    }
    morsel::reader in(prefix);
    for (std::size_t i = 0; i < whole; ++i) {
      in.skip();
    }
    ASSERT_EQ(in.offset(), message.starts[whole]);
    EXPECT_THROW((void)in.next(), morsel::truncated_error) << length;
    EXPECT_THROW(in.skip(), morsel::truncated_error) << length;
    EXPECT_EQ(in.offset(), message.starts[whole]) << length;
  }
}

struct Refusal {
  const char* bytes;  // hex, after a leading A0 so that the item starts at byte 1
  std::function<void(morsel::reader&)> read;
  const char* message;
  std::size_t stop;  // the offset of the wrong byte, or kEnd: cut short, a truncated_error
};

constexpr std::size_t kEnd = SIZE_MAX;

void PrintTo(const Refusal& c, std::ostream* out) {
  *out << c.message;
}

class ReaderRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(ReaderRefusal, ThrowsTheRightErrorWithoutMoving) {
  const Refusal& c = GetParam();
  const Bytes bytes = hex(std::string("A0 ") + c.bytes);
  morsel::reader in(bytes);
  in.skip();
  try {
    c.read(in);
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_EQ(std::string(e.what()), c.message);
    const bool truncated = dynamic_cast<const morsel::truncated_error*>(&e) != nullptr;
    EXPECT_EQ(truncated, c.stop == kEnd);
    EXPECT_EQ(e.stopped_at(), truncated ? bytes.size() : c.stop);
  }
  EXPECT_EQ(in.offset(), 1U);
}

template <typename T>
std::function<void(morsel::reader&)> as() {
  return [](morsel::reader& in) { (void)in.read<T>(); };
}
const std::function<void(morsel::reader&)> kNext = [](morsel::reader& in) { (void)in.next(); };

INSTANTIATE_TEST_SUITE_P(
    WrongOrCutShort, ReaderRefusal,
    testing::Values(
        Refusal{"A6 00000001", as<unsigned int>(), "byte 1: expected tag 0xa3, got 0xa6", 1},
        Refusal{"A3 3F800000", as<float>(), "byte 1: expected tag 0xa8, got 0xa3", 1},
        Refusal{"A9 0000000000000000", as<long>(), "byte 1: expected tag 0xa4, got 0xa9", 1},
        Refusal{"A2", as<bool>(), "byte 1: expected tag 0xa0 or 0xa1, got 0xa2", 1},
        Refusal{"A3 0000", as<unsigned int>(), "byte 1: the u32 item needs 5 bytes, 3 left", kEnd},
        Refusal{"", as<int>(), "byte 1: expected an item (i32), got the end of the input", kEnd},
        Refusal{"AA 03 616263", as<std::string_view>(),
                "byte 1: a 4-byte string (tag 0xaa) has length byte 3", 2},
        Refusal{"AB 05 6162", as<std::string>(), "byte 1: the string item needs 7 bytes, 4 left",
                kEnd},
        Refusal{"AC 02 A9 3FF0000000000000 A4 3FF0000000000000", as<std::vector<double>>(),
                "byte 1: element 1 at byte 12: expected tag 0xa9, got 0xa4", 12},
        Refusal{"AC 02 A4 0000000000000001 A4", as<morsel::u64_array_view>(),
                "byte 1: the u64 array item needs 20 bytes, 12 left", kEnd},
        Refusal{"AC 01 A4 00", as<std::vector<unsigned char>>(),
                "byte 1: u8 array: expected tag 0xa2 at byte 3, got 0xa4", 3},
        Refusal{"AD 02 AB 01 61 A3", as<morsel::string_array_view>(),
                "byte 1: element 1 at byte 6: expected tag 0xaa or 0xab, got 0xa3", 6},
        Refusal{"AD 02 AB 01 61 AB 02 62", as<morsel::string_array_view>(),
                "byte 1: element 1 at byte 6: the string needs 2 bytes, 1 left", kEnd},
        Refusal{"AD 01 AB 01", as<morsel::string_array_view>(),
                "byte 1: element 0 at byte 3: the string needs 1 byte, 0 left", kEnd},
        Refusal{"AE A2 1E A3", as<Person>(),
                "byte 1: Person: expected tag 0xa8 at byte 4, got 0xa3", 4},
        Refusal{"A7", kNext, "byte 1: 0xa7 is not a tag", 1},
        Refusal{"AC 01 A6", kNext,
                "byte 1: array elements under tag 0xa6: expected 0xa2, 0xa4 or 0xa9", 3},
        Refusal{"AC 01", kNext, "byte 1: the array's first element is missing", kEnd}));

// A vector read from a message is allocated once, whatever its size.
TEST(Reader, VectorsAreAllocatedOnce) {
  morsel::writer out;
  out.write(std::vector<double>(255, 0.5)).write(std::vector<unsigned long>(255, 7));
  out.write(std::vector<std::string>(255, "s")).write(std::vector<unsigned char>(255, 1));
  morsel::reader in(out.bytes());
  morsel_test::reset_allocations();
  EXPECT_EQ(in.read<std::vector<double>>().size(), 255U);
  EXPECT_EQ(in.read<std::vector<unsigned long>>().size(), 255U);
  EXPECT_EQ(morsel_test::allocations().calls, 2U);
  morsel_test::reset_allocations();
  EXPECT_EQ(in.read<std::vector<std::string>>().size(), 255U);  // short strings: no allocation
  EXPECT_EQ(in.read<std::vector<unsigned char>>().size(), 255U);
  EXPECT_EQ(morsel_test::allocations().calls, 2U);
}

// A one-byte item may end the bytes: nothing past it is read (the sanitizer build checks that).
TEST(Reader, BoolAtTheVeryEnd) {
  const Bytes last = hex("A1");
  morsel::reader in(last);
  EXPECT_FALSE(std::get<bool>(in.next()));
  EXPECT_TRUE(in.empty());
}

// The cases the tags leave open, as documented in reader.h.
TEST(Reader, EmptyArraysWhoseKindTheTagsLeaveOpen) {
  const Bytes wide = hex("AC 00");
  EXPECT_EQ(morsel::reader(wide).peek(), kind::u64_array);
  // A stream's bytes so far may stop before the A2 that would make it a byte array, or before the
  // byte after it that tells whether it is one.
  for (const char* cut : {"AC 00", "AC 00 A2"}) {
    const Bytes bytes = hex(cut);
    morsel::reader stream(bytes, morsel::partial);
    EXPECT_THROW((void)stream.next(), morsel::truncated_error) << cut;
    EXPECT_THROW((void)stream.peek(), morsel::truncated_error) << cut;
  }
  morsel::reader stream(wide, morsel::partial);
  EXPECT_TRUE(stream.read<std::vector<double>>().empty());
  const Bytes at_the_end = hex("AC 00 A2");
  EXPECT_EQ(morsel::reader(at_the_end).peek(), kind::u8_array);
  const Bytes bytes = hex("AC 00 A2 A1");
  morsel::reader in(bytes);
  EXPECT_TRUE(std::get<std::span<const unsigned char>>(in.next()).empty());
  EXPECT_FALSE(in.read<bool>());
  // A2 followed by a byte that cannot start an item is a u8 item: the walk reads what was written.
  const Bytes then_u8 = hex("AC 00 A2 07");
  morsel::reader walked(then_u8);
  EXPECT_TRUE(std::get<morsel::u64_array_view>(walked.next()).empty());
  EXPECT_EQ(std::get<unsigned char>(walked.next()), 7);
  // Typed reads are never in doubt: the same bytes as an empty f64 array and a u8 item.
  const Bytes doubles = hex("AC 00 A2 07");
  morsel::reader typed(doubles);
  EXPECT_TRUE(typed.read<std::vector<double>>().empty());
  EXPECT_EQ(typed.read<unsigned char>(), 7);
}

}  // namespace
