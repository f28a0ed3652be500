// morsel::stream: a message fed in any chunking gives what the contiguous reader gives; what
// needed() says of cut items; the end of the stream; corrupt bytes; the buffer limit.
#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/stream.h>

#include "hex.h"

namespace {

using morsel_test::Bytes;
using morsel_test::hex;

struct Sample {
  unsigned int id;
  std::optional<std::string> note;
  std::vector<int> values;
  std::map<std::string, double> named;
};

Bytes mixed_message() {
  morsel::writer out;
  out.write(true).write(static_cast<unsigned char>(200)).write(4000000000U).write(-2L);
  out.write(static_cast<signed char>(-5)).write(-7).write(1.5F).write(-0.0).write("abcd");
  out.write(std::vector<unsigned char>{1, 2}).write(std::vector<unsigned long>{});
  out.write(static_cast<unsigned char>(7)).write(std::vector<double>{0.5, 2.0});
  out.write(std::vector<std::string>{"ab", std::string(200, 's')}).write(Person{30, 1.5F, ""});
  return out.take();
}

// Feeds `bytes` in chunks of the sizes `chunk()` draws and walks every item as it becomes whole;
// returns the items written back, which must be the bytes.
template <typename Chunk>
Bytes walk_in_chunks(const Bytes& bytes, Chunk chunk) {
  morsel::stream in;
  morsel::writer again;
  for (std::size_t fed = 0; fed < bytes.size();) {
    const std::size_t n = std::min(chunk(), bytes.size() - fed);
    const std::span<unsigned char> room = in.prepare(n);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(fed), n, room.begin());
    in.commit(n);
    fed += n;
    while (const std::optional<morsel::item> item = in.next()) {
      again.write(*item);
    }
  }
  in.finish();
  while (const std::optional<morsel::item> item = in.next()) {
    again.write(*item);
  }
  EXPECT_TRUE(in.empty());
  return again.take();
}

TEST(Stream, AnyChunkingGivesTheItemsOfTheWholeMessage) {
  const Bytes bytes = mixed_message();
  EXPECT_EQ(walk_in_chunks(bytes, [] { return std::size_t{1}; }), bytes);
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::uniform_int_distribution<std::size_t> size(1, 1 + static_cast<std::size_t>(round) * 13);
    EXPECT_EQ(walk_in_chunks(bytes, [&] { return size(rng); }), bytes) << round;
  }
}

TEST(Stream, ReadsRecordsAndContainersOnceWhole) {
  const Sample sample{7, "note", {1, -2, 3}, {{"pi", 3.14}}};
  morsel::writer out;
  out.write(sample).write(sample);
  const std::span<const unsigned char> bytes = out.bytes();
  morsel::stream in;
  std::vector<Sample> got;
  for (const unsigned char byte : bytes) {
    in.feed({&byte, 1});
    while (const std::optional<Sample> s = in.read<Sample>()) {
      got.push_back(*s);
    }
    EXPECT_GE(in.needed(), 1U);
  }
  ASSERT_EQ(got.size(), 2U);
  EXPECT_EQ(got[1].values, sample.values);
  EXPECT_EQ(got[1].named, sample.named);
  EXPECT_TRUE(in.empty());
}

// Values of every shape, fed a byte at a time, are read the moment their last byte comes: not one
// byte later (a measure too long) and never before.
template <typename T>
void expect_read_when_whole(const std::vector<T>& values) {
  morsel::writer out;
  std::vector<std::size_t> ends;
  for (const T& value : values) {
    out.write(value);
    ends.push_back(out.size());
  }
  const Bytes bytes(out.bytes().begin(), out.bytes().end());
  morsel::stream in;
  std::size_t read = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    in.feed(std::span(bytes).subspan(i, 1));
    while (const std::optional<T> value = in.read<T>()) {
      EXPECT_TRUE(read < values.size() && *value == values[read]) << i;
      ++read;
    }
    const auto whole = static_cast<std::size_t>(
        std::count_if(ends.begin(), ends.end(), [&](std::size_t end) { return end <= i + 1; }));
    ASSERT_EQ(read, whole) << typeid(T).name() << " after byte " << i;
  }
}

TEST(Stream, EveryShapeIsReadTheMomentItsLastByteComes) {
  expect_read_when_whole<std::array<std::optional<int>, 2>>({{1, std::nullopt}, {std::nullopt, 2}});
  expect_read_when_whole<std::variant<int, std::string>>({7, "seven", std::string(300, 's')});
  expect_read_when_whole<std::map<std::string, int>>({{{"a", 1}, {"b", 2}}, {}});
  expect_read_when_whole<std::set<int>>({{1, 2, 3}, {}});
  expect_read_when_whole<std::vector<std::string>>({{"a", std::string(300, 'b')}, {"c"}});
  expect_read_when_whole<std::optional<std::string>>({"x", std::nullopt, "yz"});
  expect_read_when_whole<std::tuple<std::string, std::vector<int>>>({{"t", {1, 2}}, {"", {}}});
}

// A value of a fixed size is read the moment its last byte comes, whether read as a record, as
// items or as a tuple: not one byte later.
TEST(Stream, AFixedSizeValueIsReadTheMomentItsLastByteComes) {
  struct Fixed {
    unsigned int id;
    double x;
  };
  morsel::writer out;
  for (unsigned int i = 0; i < 3; ++i) {
    out.write(Fixed{i, 0.5});
  }
  const Bytes bytes(out.bytes().begin(), out.bytes().end());
  constexpr std::size_t kSize = 14;
  morsel::stream records;
  morsel::stream items;
  morsel::stream tuples;
  std::size_t whole_records = 0;
  std::size_t whole_items = 0;
  std::size_t whole_pairs = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    for (morsel::stream* in : {&records, &items, &tuples}) {
      in->feed(std::span(bytes).subspan(i, 1));
    }
    for (; records.read<Fixed>(); ++whole_records) {
    }
    for (; items.next(); ++whole_items) {
    }
    for (; tuples.read<std::tuple<unsigned int, double>>(); ++whole_pairs) {
    }
    EXPECT_EQ(whole_records, (i + 1) / kSize) << i;
    EXPECT_EQ(whole_pairs, (i + 1) / kSize) << i;
    EXPECT_EQ(whole_items, (i + 1) / kSize * 2 + ((i + 1) % kSize >= 5 ? 1 : 0)) << i;
  }
}

// Exact where the bytes tell it: a fixed-size item once its tag is in, a string once its length
// byte is, an array once its count and first element's tag are; the least after that.
TEST(Stream, NeededSaysHowManyMoreBytesTheCutItemTakes) {
  struct Cut {
    const char* bytes;
    std::size_t needed;
  };
  for (const Cut& cut :
       {Cut{"", 1}, Cut{"A3", 4}, Cut{"A9 3FF0", 6}, Cut{"AB", 1}, Cut{"AB 05 6162", 3},
        Cut{"AC", 1}, Cut{"AC 02", 1}, Cut{"AC 02 A9 3FF0", 15}, Cut{"AD 02 AB 03 61", 4},
        Cut{"AC 00", 1}, Cut{"AC 00 A2", 1}, Cut{"AC 05 A2 01", 4},
        Cut{"AD 03 AB 01 61 AB 03 62", 4}}) {
    morsel::stream in;
    in.feed(hex(cut.bytes));
    EXPECT_FALSE(in.next().has_value()) << cut.bytes;
    EXPECT_EQ(in.needed(), cut.needed) << cut.bytes;
    EXPECT_EQ(in.offset(), 0U);
  }
  const auto needed_for = [](auto typed, const char* bytes) {
    morsel::stream in;
    in.feed(hex(bytes));
    EXPECT_FALSE(in.read<decltype(typed)>().has_value()) << bytes;
    return in.needed();
  };
  EXPECT_EQ(needed_for(std::vector<unsigned long>{}, "AC 02 A4"), 17U);
  EXPECT_EQ(needed_for(std::optional<std::string>{}, "A0 AB 05 61"), 4U);
  EXPECT_EQ(needed_for(std::pair<std::string, unsigned int>{}, "AB 01 61 A3 00"), 3U);
  // Cut in one part, a record or tuple needs the fewest bytes of the parts after it too.
  EXPECT_EQ(needed_for(std::pair<unsigned int, std::string>{}, "A3 00"), 3U + 2U);
  EXPECT_EQ(needed_for(std::tuple<unsigned int, double, std::string>{}, "A3"), 4U + 9U + 2U);
  // Counted down as the bytes come; once they all have, 1 until the next read.
  morsel::stream in;
  in.feed(hex("A3"));
  EXPECT_FALSE(in.next().has_value());
  std::vector<std::size_t> counted_down;
  for (const char* more : {"00", "00 00", "07"}) {
    in.feed(hex(more));
    counted_down.push_back(in.needed());
  }
  EXPECT_EQ(counted_down, (std::vector<std::size_t>{3, 1, 1}));
}

TEST(Stream, FinishTurnsACutItemIntoAnError) {
  morsel::stream wide;
  wide.feed(hex("AC 00"));
  EXPECT_FALSE(wide.next().has_value());  // an A2 may be on its way
  wide.finish();                          // and no longer waits
  const std::optional<morsel::item> empty = wide.next();
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(std::get<morsel::u64_array_view>(*empty).empty());
  EXPECT_FALSE(wide.next().has_value());

  morsel::stream cut;
  cut.feed(hex("A0 A3 0000"));
  cut.finish();
  EXPECT_TRUE(std::get<bool>(*cut.next()));
  EXPECT_THROW((void)cut.next(), morsel::truncated_error);
  EXPECT_THROW((void)cut.read<unsigned int>(), morsel::truncated_error);
  EXPECT_EQ(cut.offset(), 1U);
}

TEST(Stream, ACorruptByteThrowsWhereACutItemWaits) {
  morsel::stream in;
  in.feed(hex("A0 A0"));
  (void)in.next();
  in.feed(hex("A7"));  // read past the first item: offsets count from the stream's start
  EXPECT_TRUE(in.next().has_value());
  try {
    (void)in.next();
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_STREQ(e.what(), "byte 2: 0xa7 is not a tag");
    EXPECT_EQ(e.stopped_at(), 2U);
  }
  EXPECT_EQ(in.offset(), 2U);
}

TEST(Stream, ItemsPastTheLimitThrowInsteadOfWaiting) {
  morsel::stream in(64);
  in.feed(hex("AB FF 6162"));  // a string of 255 bytes cannot fit
  EXPECT_THROW((void)in.next(), morsel::stream_limit_error);
  // A count that the bytes cannot hold yet waits for them, within the limit; past it, throws at
  // once.
  morsel::stream counted(64);
  counted.feed(hex("A3 00000003 A6 00000001"));
  EXPECT_FALSE(counted.read<std::vector<int>>().has_value());
  EXPECT_EQ(counted.needed(), 10U);
  counted.feed(hex("A6 00000002 A6 00000003 A3 FFFFFFFF"));
  EXPECT_EQ(counted.read<std::vector<int>>(), (std::vector<int>{1, 2, 3}));
  EXPECT_THROW((void)counted.read<std::vector<int>>(), morsel::stream_limit_error);
  // By default the limit is 8 MiB: a long string whose bytes come to just under it waits, one
  // just over it is refused.
  for (const auto& [length, refused] : {std::pair{8'300'000U, false}, {8'350'000U, true}}) {
    morsel::writer long_form;
    long_form.write(length);  // the u32 a long string starts with
    morsel::stream by_default;
    by_default.feed(long_form.bytes());
    if (refused) {
      EXPECT_THROW((void)by_default.read<std::string>(), morsel::stream_limit_error) << length;
    } else {
      EXPECT_FALSE(by_default.read<std::string>().has_value());
      EXPECT_EQ(by_default.needed(), 5 + length + 2 * ((length + 254) / 255) - 5);
    }
  }
}

// A value that waits while the buffer is compacted under it reads once its bytes have come.
TEST(Stream, WaitsAcrossTheReclaimingOfReadBytes) {
  morsel::writer out;
  for (int i = 0; i < 2000; ++i) {
    out.write(std::string(40, 'x'));
  }
  const std::span<const unsigned char> bytes = out.bytes();
  morsel::stream in;
  std::size_t read = 0;
  for (std::size_t fed = 0; fed < bytes.size(); fed += 64) {
    in.feed(bytes.subspan(fed, std::min<std::size_t>(64, bytes.size() - fed)));
    while (in.read<std::string_view>()) {
      ++read;
    }
  }
  EXPECT_EQ(read, 2000U);
  EXPECT_TRUE(in.empty());
}

// Reading reclaims the bytes read: a long stream in small chunks keeps a small buffer.
TEST(Stream, ABufferAsLargeAsTheLargestItem) {
  morsel::stream in;
  const Bytes item = hex("A3 00000001");
  for (int i = 0; i < 100000; ++i) {
    in.feed(item);
    ASSERT_TRUE(in.next().has_value());
  }
  EXPECT_EQ(in.offset(), 500000U);
  EXPECT_LE(in.prepare(1).size() + in.remaining().size(), std::size_t{8192});
}

// A copy goes on from where its original stands, over bytes of its own; a stream moved from is a
// new stream.
TEST(Stream, ACopyGoesOnOverBytesOfItsOwn) {
  morsel::writer out;
  out.write(1U).write(std::string(100, 'a')).write(2U);
  const Bytes bytes = out.take();
  const std::span<const unsigned char> all(bytes);
  morsel::stream original;
  original.feed(all.first(all.size() - 3));  // the last u32 cut short
  ASSERT_EQ(original.read<unsigned int>(), 1U);
  morsel::stream copy;
  copy = original;
  ASSERT_EQ(original.read<std::string>(), std::string(100, 'a'));
  // The original reclaims the bytes it read and writes others where they stood.
  const std::span<unsigned char> room = original.prepare(3999);
  std::copy(all.end() - 3, all.end(), room.begin());
  for (std::size_t at = 3; at < 3999; at += 2) {
    room[at] = 0xA2;  // u8 7
    room[at + 1] = 7;
  }
  original.commit(3999);
  EXPECT_EQ(original.read<unsigned int>(), 2U);
  EXPECT_EQ(original.read<unsigned char>(), 7);

  morsel::stream moved_to = std::move(copy);
  EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a stream moved from is new
  EXPECT_EQ(copy.offset(), 0U);
  copy.feed(all);
  EXPECT_EQ(copy.read<unsigned int>(), 1U);
  EXPECT_EQ(moved_to.read<std::string>(), std::string(100, 'a'));
  EXPECT_EQ(moved_to.read<unsigned int>(), std::nullopt);
  moved_to.feed(all.last(3));
  EXPECT_EQ(moved_to.read<unsigned int>(), 2U);
  EXPECT_TRUE(moved_to.empty());
  EXPECT_EQ(moved_to.offset(), all.size());
}

}  // namespace
