// Enums, std::array, std::optional, std::vector, maps, tuples and variants: their bytes, round
// trips of nested combinations, and every malformed case the reader refuses without moving.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>

#include "hex.h"

namespace {

using morsel_test::Bytes;
using morsel_test::hex;

enum class Status : unsigned char { ok = 1, degraded = 2, down = 200 };
enum Plain { alpha, beta };

struct Reading {
  unsigned int sensor;
  double value;
  Status status;
  bool operator==(const Reading&) const = default;
};

struct Frame {
  unsigned long seq;
  Status status;
  std::array<float, 3> position;
  std::optional<std::string> note;
  std::vector<Reading> readings;
  std::map<std::string, int> counters;
  std::variant<int, std::string, Reading> payload;
  bool operator==(const Frame&) const = default;
};

// Counted right with nothing declared: optional, variant, tuple and std::array members are one
// each.
struct Counted {
  std::optional<int> a;
  std::variant<int, std::string> b;
  std::array<float, 3> c;
  std::tuple<int> d;
  std::pair<int, bool> e;
  std::tuple<int, bool> f;
  std::optional<std::tuple<int>> g;
};
static_assert(std::tuple_size_v<decltype(morsel::detail::members_of(std::declval<Frame&>()))> == 7);
static_assert(std::tuple_size_v<decltype(morsel::detail::members_of(std::declval<Counted&>()))> ==
              7);

template <typename T>
Bytes written(const T& value) {
  morsel::writer out;
  out.write(value);
  return {out.bytes().begin(), out.bytes().end()};
}

struct Convention {
  const char* what;
  Bytes bytes;
  const char* expected;
};

void PrintTo(const Convention& c, std::ostream* out) {
  *out << c.what;
}

class ConventionBytes : public testing::TestWithParam<Convention> {};

TEST_P(ConventionBytes, AreTheDocumentedItems) {
  EXPECT_EQ(GetParam().bytes, hex(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConventionBytes,
    testing::Values(
        Convention{"scoped enum", written(Status::down), "A2 C8"},
        Convention{"unscoped enum, not promoted to int", written(beta), "A3 00000001"},
        Convention{"std::array of doubles is the array item",
                   written(std::array<double, 2>{1.0, -0.0}),
                   "AC 02 A9 3FF0000000000000 A9 8000000000000000"},
        Convention{"std::array of bytes", written(std::array<unsigned char, 2>{1, 2}),
                   "AC 02 A2 0102"},
        Convention{"std::array of floats, items in a row", written(std::array<float, 2>{1, 2}),
                   "A8 3F800000 A8 40000000"},
        Convention{"empty optional", written(std::optional<std::string>{}), "A1"},
        Convention{"optional", written(std::optional<std::string>{"ab"}), "A0 AB 02 6162"},
        Convention{"vector of ints", written(std::vector<int>{1, -1}),
                   "A3 00000002 A6 00000001 A6 FFFFFFFF"},
        Convention{"empty vector of records", written(std::vector<Reading>{}), "A3 00000000"},
        Convention{"map", written(std::map<std::string, int>{{"a", 1}, {"b", 2}}),
                   "A3 00000002 AB 01 61 A6 00000001 AB 01 62 A6 00000002"},
        Convention{"pair", written(std::pair<int, bool>{1, true}), "A6 00000001 A0"},
        Convention{"std::array of u64 then more, in one piece",
                   written(std::tuple<std::array<unsigned long, 1>, unsigned char, Person>{
                       {5}, 7, Person{1, 0.5F, ""}}),
                   "AC 01 A4 0000000000000005 A2 07 AE A2 01 A8 3F000000"},
        Convention{"empty tuple", written(std::tuple<>{}), ""},
        Convention{"variant", written(std::variant<int, std::string>{"x"}), "A2 01 AB 01 78"}));

// Any combination, as a member and at the top level, reads back as it was written.
TEST(Containers, NestedCombinationsRoundTrip) {
  const Frame frame{7,
                    Status::degraded,
                    {1.5F, -2.0F, 0.0F},
                    "calibrated",
                    {{1, 20.5, Status::ok}, {2, -1.0, Status::down}},
                    {{"drops", 3}, {"resets", 0}},
                    Reading{9, 0.25, Status::ok}};
  using Nested = std::tuple<
      std::vector<std::optional<Reading>>, std::map<int, std::vector<int>>,
      std::unordered_map<std::string, std::array<unsigned long, 2>>,
      std::vector<std::variant<bool, Frame>>, std::vector<std::pair<int, std::array<double, 2>>>,
      std::vector<std::array<double, 2>>, std::tuple<std::array<unsigned long, 2>, signed char>>;
  const Nested nested{{std::nullopt, Reading{3, 1.0, Status::ok}},
                      {{1, {}}, {2, {5, 6}}},
                      {{"k", {1, 2}}},
                      {true, frame},
                      {{1, {0.5, -2.0}}, {2, {1e300, 0.0}}},
                      {{0.5, -2.0}, {1e300, 0.0}, {-0.25, 3.0}},
                      {{1, 2}, -3}};
  morsel::writer out;
  out.write(frame).write(frame.readings).write(nested).write(Plain::beta);
  morsel::reader in(out.bytes());
  EXPECT_EQ(in.read<Frame>(), frame);
  EXPECT_EQ(in.read<std::vector<Reading>>(), frame.readings);
  EXPECT_EQ(in.read<Nested>(), nested);
  EXPECT_EQ(in.read<Plain>(), beta);
  EXPECT_TRUE(in.empty());

  // next() walks the same bytes item by item: a u32 count, then the elements' items.
  morsel::reader walked(out.bytes());
  for (int i = 0; i < 7; ++i) {
    (void)walked.next();  // seq, status, position, note's flag and string
  }
  EXPECT_EQ(std::get<unsigned int>(walked.next()), 2U);  // the readings' count
  EXPECT_EQ(std::get<unsigned int>(walked.next()), 1U);  // readings[0].sensor
}

struct Malformed {
  const char* what;
  const char* bytes;  // after a leading A0, so that the value starts at byte 1
  std::function<void(morsel::reader&)> read;
  const char* message;
  bool truncated;
  std::size_t stopped_at;  // where reading stopped: the wrong byte, or the end of the bytes
};

void PrintTo(const Malformed& c, std::ostream* out) {
  *out << c.what;
}

template <typename T>
std::function<void(morsel::reader&)> as() {
  return [](morsel::reader& in) { (void)in.read<T>(); };
}

class MalformedContainer : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedContainer, IsRefusedWithoutMoving) {
  const Malformed& c = GetParam();
  const Bytes bytes = hex(std::string("A0 ") + c.bytes);
  morsel::reader in(bytes);
  in.skip();
  try {
    c.read(in);
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_EQ(std::string(e.what()), c.message);
    EXPECT_EQ(dynamic_cast<const morsel::truncated_error*>(&e) != nullptr, c.truncated);
    EXPECT_EQ(e.stopped_at(), c.stopped_at);
  }
  EXPECT_EQ(in.offset(), 1U);
}

using Variant = std::variant<int, std::string>;
using Readings = std::vector<Reading>;

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedContainer,
    testing::Values(
        Malformed{"variant index out of range", "A2 02 A6 00000001", as<Variant>(),
                  "byte 1: alternative 2 of a std::variant of 2", false, 2},
        Malformed{"byte vector from an item of another kind", "A6 00000001",
                  as<std::vector<unsigned char>>(), "byte 1: expected tag 0xac, got 0xa6", false,
                  1},
        Malformed{"optional without its flag", "A6 00000001", as<std::optional<int>>(),
                  "byte 1: expected tag 0xa0 or 0xa1, got 0xa6", false, 1},
        Malformed{"std::array of another count", "AC 01 A4 0000000000000001",
                  as<std::array<unsigned long, 2>>(),
                  "byte 1: an array of 1 elements, where a std::array of 2 is read", false, 2},
        Malformed{"std::array of another count, its elements cut off", "AD 01 03",
                  as<std::array<std::string, 2>>(),
                  "byte 1: an array of 1 elements, where a std::array of 2 is read", false, 2},
        Malformed{"std::array of another count in a value of fixed size",
                  "AC 01 A4 0000000000000001 A4 0000000000000002 A4 0000000000000003",
                  as<std::tuple<std::array<unsigned long, 2>, unsigned long>>(),
                  "byte 1: tuple<array<u64, 2>, u64>[0]: an array of 1 elements, where a "
                  "std::array of 2 is read",
                  false, 2},
        Malformed{"repeated key", "A3 00000002 A6 00000001 A1 A6 00000001 A0",
                  as<std::map<int, bool>>(),
                  "byte 12: map<i32, bool>[key 1]: its key repeats an earlier entry's", false, 12},
        Malformed{"hostile count", "A3 FFFFFFFF A6 00000001", as<std::vector<int>>(),
                  "byte 1: a count of 4294967295 elements needs at least 21474836475 bytes after "
                  "it, 5 left",
                  true, 11},
        Malformed{"items, the least of one byte each, fewer than counted", "A3 00000004 A1 A0 A1",
                  as<std::vector<morsel::item>>(),
                  "byte 1: a count of 4 elements needs at least 4 bytes after it, 3 left", true, 9},
        Malformed{"wrong member of an element",
                  "A3 00000002 A3 00000001 A9 0000000000000000 A2 01 A3 00000002 A9 "
                  "0000000000000000 A3 00000001",
                  as<Readings>(), "byte 36: vector<Reading>[1].status: expected tag 0xa2, got 0xa3",
                  false, 36},
        Malformed{"element cut short", "A3 00000002 AB 01 61 AB 05 6162",
                  as<std::vector<std::string_view>>(),
                  "byte 9: vector<string>[1]: the string item needs 7 bytes, "
                  "4 left",
                  true, 13}));

// Inside a record, the path runs through the element to its member.
TEST(Containers, ErrorsNameTheMemberAndElement) {
  Frame frame{};
  frame.readings = {{1, 1.0, Status::ok}, {2, 2.0, Status::ok}};
  Bytes bytes = written(frame);
  // seq 9, status 2, position 15, note 1, count 5, readings[0] 16, then readings[1]'s status.
  const std::size_t status = 9 + 2 + 15 + 1 + 5 + 16 + 14;
  ASSERT_EQ(bytes[status], morsel::TAG_U8);
  bytes[status] = morsel::TAG_I8;
  morsel::reader in(bytes);
  try {
    (void)in.read<Frame>();
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_EQ(std::string(e.what()), "byte " + std::to_string(status) +
                                         ": Frame.readings[1].status: expected tag "
                                         "0xa2, got 0xa5");
  }
  EXPECT_EQ(in.offset(), 0U);
}

struct Explodes {
  Explodes() = default;
  Explodes(const Explodes& /*other*/) { throw std::runtime_error("copy"); }
  Explodes& operator=(const Explodes&) = default;
  friend auto morsel_members(auto& /*self*/) { return std::tuple<>(); }
};

TEST(Containers, AValuelessVariantLeavesTheWriterAsItWas) {
  std::variant<int, Explodes> valueless;
  EXPECT_THROW(valueless.emplace<Explodes>(Explodes{}), std::runtime_error);
  ASSERT_TRUE(valueless.valueless_by_exception());
  morsel::writer out;
  out.write(1U);
  EXPECT_THROW(out.write(std::pair<int, std::variant<int, Explodes>>(5, valueless)),
               std::invalid_argument);
  EXPECT_EQ(out.size(), 5U);
}

}  // namespace
