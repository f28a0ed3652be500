#include <bit>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>

#include "hex.h"

namespace {

using morsel_test::Bytes;

Bytes bytes_of(const morsel::writer& out) {
  return {out.bytes().begin(), out.bytes().end()};
}

struct Point {
  int x;
  int y;
};

// One member of every kind, a nested record and a Person, which keeps its own tagged layout.
struct Everything {
  bool flag;
  unsigned char u8;
  unsigned int u32;
  unsigned long u64;
  signed char i8;
  int i32;
  long i64;
  float f32;
  double f64;
  std::string text;
  std::vector<unsigned char> bytes;
  std::vector<unsigned long> longs;
  std::vector<double> doubles;
  std::vector<std::string> strings;
  Point where;
  Person person;
};

Everything sample() {
  return {true, 200,    4000000000U, 1UL << 40U, -5,     -7,        -2L,     -0.0F,
          1.5,  "abcd", {1, 2},      {3},        {0.25}, {"a", ""}, {3, -4}, {30, 1.5F, ""}};
}

// A class with private members, named once for the library.
class Account {
 public:
  Account() = default;
  Account(unsigned int id, std::string owner) : id_(id), owner_(std::move(owner)) {}
  unsigned int id() const { return id_; }
  const std::string& owner() const { return owner_; }

 private:
  unsigned int id_ = 0;
  std::string owner_;
  friend auto morsel_members(auto& self) { return std::tie(self.id_, self.owner_); }
};

TEST(Record, BytesEqualTheMembersWrittenOneByOne) {
  const Everything e = sample();
  morsel::writer whole;
  whole.write(e);
  morsel::writer members;
  members.write(e.flag).write(e.u8).write(e.u32).write(e.u64).write(e.i8).write(e.i32);
  members.write(e.i64).write(e.f32).write(e.f64).write(e.text).write(e.bytes).write(e.longs);
  members.write(e.doubles).write(e.strings).write(e.where.x).write(e.where.y).write(e.person);
  EXPECT_EQ(bytes_of(whole), bytes_of(members));
}

TEST(Record, RoundTripsAggregatesNestedRecordsAndDescribedClasses) {
  morsel::writer out;
  out.write(sample()).write(Account(7, "Ada")).write(Point{1, 2});
  morsel::reader in(out.bytes());
  const auto e = in.read<Everything>();
  const Everything s = sample();
  EXPECT_EQ(std::tie(e.flag, e.u8, e.u32, e.u64, e.i8, e.i32, e.i64, e.f64, e.text),
            std::tie(s.flag, s.u8, s.u32, s.u64, s.i8, s.i32, s.i64, s.f64, s.text));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(e.f32), std::bit_cast<std::uint32_t>(s.f32));
  EXPECT_EQ(std::tie(e.bytes, e.longs, e.doubles, e.strings),
            std::tie(s.bytes, s.longs, s.doubles, s.strings));
  EXPECT_EQ(std::tie(e.where.x, e.where.y, e.person.age, e.person.height),
            std::tie(s.where.x, s.where.y, s.person.age, s.person.height));
  const auto account = in.read<Account>();
  EXPECT_EQ(account.id(), 7U);
  EXPECT_EQ(account.owner(), "Ada");
  // A record has no tag of its own: next() sees its members.
  EXPECT_EQ(std::get<int>(in.next()), 1);
  EXPECT_EQ(in.read<int>(), 2);
  EXPECT_TRUE(in.empty());
}

// A view member points into the reader's bytes, as a view read alone does.
TEST(Record, ViewMembersPointIntoTheBytes) {
  struct Named {
    unsigned int id;
    std::string_view name;
  };
  morsel::writer out;
  out.write(Named{1, "view"});
  morsel::reader in(out.bytes());
  const auto named = in.read<Named>();
  EXPECT_EQ(named.name, "view");
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(named.name.data()), out.bytes().data() + 7);
}

TEST(Record, EveryTruncationThrowsWithoutMoving) {
  morsel::writer out;
  out.write(true).write(sample());
  const Bytes bytes = bytes_of(out);
  for (std::size_t length = 1; length < bytes.size(); ++length) {
    morsel::reader in(std::span<const unsigned char>(bytes.data(), length));
    (void)in.read<bool>();
    EXPECT_THROW((void)in.read<Everything>(), morsel::truncated_error) << length;
    EXPECT_EQ(in.offset(), 1U) << length;
  }
}

TEST(Record, AWrongMemberNamesItsPositionAndOffset) {
  morsel::writer out;
  out.write(true).write(sample());
  Bytes bytes = bytes_of(out);
  // The tag of Everything::where.y: the bool, 47 bytes of scalars, 6 + 5 + 11 + 11 + 7 of strings
  // and arrays, 5 of where.x.
  const std::size_t where = 1 + 47 + 40 + 5;
  ASSERT_EQ(bytes[where], morsel::TAG_I32);
  bytes[where] = morsel::TAG_U32;
  morsel::reader in(bytes);
  (void)in.read<bool>();
  try {
    (void)in.read<Everything>();
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_EQ(std::string(e.what()), "byte " + std::to_string(where) +
                                         ": Everything.where.y: expected tag "
                                         "0xa6, got 0xa3");
  }
  EXPECT_EQ(in.offset(), 1U);
}

}  // namespace
