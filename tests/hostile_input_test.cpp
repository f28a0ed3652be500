// Bytes a hostile peer controls: they never crash, stall, or take memory they cannot justify.
// Nesting depth, reservations by count, and what a stream promises: it throws as soon as its bytes
// are wrong, goes on throwing past its limit, waits only for the value it waited for, survives a
// failed prepare, and names the same offsets as a reader of the whole message.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <variant>
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

struct Node {
  unsigned int value;
  std::vector<Node> children;
};

// `links` nodes, each the only child of the one before: two levels each (a record, a vector).
Node chain(std::size_t links) {
  Node root{0, {}};
  Node* last = &root;
  for (std::size_t i = 1; i < links; ++i) {
    last->children.push_back(Node{static_cast<unsigned int>(i), {}});
    last = &last->children.back();
  }
  return root;
}

std::string message_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(Nesting, AChainAsDeepAsAStackOverflowIsRefusedAtTheLimit) {
  Bytes bytes;
  for (int i = 0; i < 50000; ++i) {
    bytes = concat(bytes, hex("A3 00000000 A3 00000001"));
  }
  // Level 257 is the 129th node, at byte 128 * 10.
  const std::string expected_start = "byte 1280: ";
  const std::string expected_end = ": nested deeper than 256";
  morsel::reader in(bytes);
  const std::string read = message_of([&] { (void)in.read<Node>(); });
  EXPECT_EQ(read.substr(0, expected_start.size()), expected_start) << read.substr(0, 80);
  EXPECT_EQ(read.substr(read.size() - expected_end.size()), expected_end);
  EXPECT_EQ(in.offset(), 0U);

  morsel::stream stream;
  stream.feed(bytes);
  EXPECT_EQ(message_of([&] { (void)stream.read<Node>(); }), read);
  EXPECT_EQ(stream.offset(), 0U);
}

// Whatever the limit, a value as deep as it is written and read, and one level more is refused by
// both, leaving each as it was.
TEST(Nesting, TheWriterRefusesWhatTheReaderWould) {
  for (const std::size_t links :
       {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{100}}) {
    const Node value = chain(links);
    morsel::writer out;
    out.write(7U);
    out.set_depth_limit(2 * links - 1);
    EXPECT_THROW(out.write(value), std::length_error) << links;
    EXPECT_EQ(out.size(), 5U);
    out.set_depth_limit(2 * links);
    out.write(value);

    morsel::reader in(out.bytes());
    in.skip();
    in.set_depth_limit(2 * links - 1);
    EXPECT_THROW((void)in.read<Node>(), morsel::decode_error) << links;
    EXPECT_EQ(in.offset(), 5U);
    in.set_depth_limit(2 * links);
    EXPECT_EQ(in.read<Node>().children.size(), links > 1 ? 1U : 0U);

    morsel::stream stream;
    stream.set_depth_limit(2 * links - 1);
    stream.feed(out.bytes().subspan(5));
    EXPECT_THROW((void)stream.read<Node>(), morsel::decode_error) << links;
    stream.set_depth_limit(2 * links);
    EXPECT_TRUE(stream.read<Node>().has_value());
  }
}

// Each shape that opens a level: the writer, the reader and the stream take it at exactly its
// depth, and refuse it one level under. Cut short, the stream measures it to its end (the depth
// is no fault) and says exactly what it lacks.
template <typename T>
void expect_depth(const T& value, std::size_t depth) {
  morsel::writer out;
  out.set_depth_limit(depth - 1);
  EXPECT_THROW(out.write(value), std::length_error) << depth;
  out.set_depth_limit(depth);
  out.write(value);

  morsel::reader in(out.bytes());
  in.set_depth_limit(depth - 1);
  EXPECT_THROW((void)in.read<T>(), morsel::decode_error) << depth;
  in.set_depth_limit(depth);
  EXPECT_TRUE(in.read<T>() == value) << depth;

  const std::span<const unsigned char> bytes = out.bytes();
  morsel::stream stream;
  stream.set_depth_limit(depth);
  stream.feed(bytes.first(bytes.size() - 2));
  EXPECT_FALSE(stream.read<T>().has_value()) << depth;
  EXPECT_EQ(stream.needed(), 2U) << depth;
  stream.feed(bytes.last(2));
  stream.set_depth_limit(depth - 1);
  EXPECT_THROW((void)stream.read<T>(), morsel::decode_error) << depth;
  stream.set_depth_limit(depth);
  EXPECT_TRUE(stream.read<T>() == value) << depth;
}

TEST(Nesting, EveryShapeIsTakenAtExactlyItsDepth) {
  expect_depth(std::optional<std::optional<std::string>>{std::optional<std::string>{"xyz"}}, 2);
  expect_depth(std::variant<int, std::vector<int>>{std::vector<int>{1, 2}}, 2);
  expect_depth(std::map<int, std::vector<int>>{{1, {2}}}, 2);
  expect_depth(std::set<std::vector<int>>{{1}, {2, 3}}, 2);
  expect_depth(std::tuple<int, std::vector<std::string>>{1, {"abc"}}, 1);  // a string array item
  expect_depth(std::vector<std::optional<std::pair<int, int>>>{std::nullopt, std::pair{1, 2}}, 3);
}

// Values of a fixed size are written and read in one piece, and nest all the same.
TEST(Nesting, FixedSizeValuesCountTheirLevels) {
  struct Inner {
    int a;
  };
  struct Outer {
    Inner inner;
    std::array<Inner, 2> pair;
  };
  morsel::writer out;
  out.set_depth_limit(2);
  EXPECT_THROW(out.write(Outer{}), std::length_error);
  EXPECT_TRUE(out.empty());
  out.set_depth_limit(3);  // Outer, the std::array, the Inner in it
  out.write(Outer{});
  morsel::reader in(out.bytes());
  in.set_depth_limit(2);
  EXPECT_EQ(message_of([&] { (void)in.read<Outer>(); }),
            "byte 5: Outer.pair[0]: nested deeper than 2");
  in.set_depth_limit(3);
  (void)in.read<Outer>();
  EXPECT_TRUE(in.empty());
}

// The writer names where a value nests too deep, a map's entry by its position where the key is
// not printable, and a key that nests too deep as a key.
TEST(Nesting, TheWriterNamesTheEntryThatNestsTooDeep) {
  const std::map<double, std::vector<std::vector<int>>> deep{{1.0, {}}, {2.0, {{1}}}};
  morsel::writer out;
  out.set_depth_limit(2);
  EXPECT_EQ(message_of([&] { out.write(deep); }),
            "morsel::writer: map<f64, vector<vector<i32>>>[value 1][0]: nested deeper than 2");
  const std::map<std::vector<std::vector<int>>, int> deep_key{{{}, 1}, {{{1}}, 2}};
  EXPECT_EQ(message_of([&] { out.write(deep_key); }),
            "morsel::writer: map<vector<vector<i32>>, i32>[key 1][0]: nested deeper than 2");
  EXPECT_TRUE(out.empty());
}

// A count bounded by the least encoded size of an element may still ask for far more memory than
// the bytes: an empty optional is one byte, and 16 KiB in memory.
struct Sample {
  std::array<float, 4096> values;
};

TEST(Reservation, ACountTakesNoMoreMemoryThanItsBytesJustify) {
  Bytes bytes = hex("A3 00100000");
  bytes.resize(bytes.size() + (std::size_t{1} << 20));  // zeros: no element reads
  const std::size_t most = 4 * bytes.size();
  const auto largest_allocation = [&](const std::function<void(morsel::reader&)>& read) {
    morsel::reader in(bytes);
    morsel_test::reset_allocations();
    EXPECT_THROW(read(in), morsel::decode_error);
    return morsel_test::allocations().largest;
  };
  EXPECT_LE(largest_allocation(
                [](morsel::reader& in) { (void)in.read<std::vector<std::optional<Sample>>>(); }),
            most);
  EXPECT_LE(largest_allocation(
                [](morsel::reader& in) { (void)in.read<std::unordered_map<bool, Sample>>(); }),
            most);
}

struct Reading {
  unsigned int id;
  double value;
  enum class Status : unsigned char { ok } status;
};

// Bytes that are already wrong throw, whatever the value would need after them; as a reader of
// the bytes so far does.
// Bytes, and a read of them as a T by a reader and by a stream.
struct Case {
  const char* what;
  Bytes bytes;
  std::function<void(morsel::reader&)> read;
  std::function<void(morsel::stream&)> stream_read;
};

template <typename T>
Case read_as(const char* what, const char* bytes) {
  return Case{what, hex(bytes), [](morsel::reader& in) { (void)in.read<T>(); },
              [](morsel::stream& in) { (void)in.read<T>(); }};
}

TEST(StreamPromises, WrongBytesThrowAtOnceRatherThanWait) {
  for (const Case& c : {
           read_as<Reading>("a record's first member", "A6 00000001"),
           read_as<std::vector<std::string>>("a long string array's element",
                                             "A3 00000001 A9 0000"),
           read_as<std::vector<int>>("an element", "A3 00000003 A7"),
           read_as<std::vector<int>>("an element after a huge count", "A3 FFFFFFFF A6 00000001 A7"),
           read_as<std::optional<int>>("an optional's value", "A0 A7"),
           read_as<std::map<std::string, int>>("a map's value", "A3 00000002 AB 01 61 A7"),
           read_as<std::array<double, 2>>("a std::array's count", "AC 03 A9"),
           read_as<std::variant<int, bool>>("a variant's alternative", "A2 05 A6"),
       }) {
    const Bytes& bytes = c.bytes;
    morsel::reader partial(bytes, morsel::partial);
    std::string expected = "no error";
    try {
      c.read(partial);
    } catch (const morsel::truncated_error& e) {
      ADD_FAILURE() << c.what << ": cut short, not wrong: " << e.what();
    } catch (const morsel::decode_error& e) {
      expected = e.what();
    }
    morsel::stream in;
    in.feed(bytes);
    EXPECT_EQ(message_of([&] { c.stream_read(in); }), expected) << c.what;
  }
}

TEST(StreamPromises, AValuePastTheLimitThrowsOnEveryRead) {
  morsel::writer out;
  out.write(std::vector<int>(256, 1));  // 5 + 256 * 5 = 1285 bytes
  morsel::stream in(1000);
  for (std::size_t fed = 0; fed < out.size(); fed += 300) {
    in.feed(out.bytes().subspan(fed, std::min<std::size_t>(300, out.size() - fed)));
    EXPECT_THROW((void)in.read<std::vector<int>>(), morsel::stream_limit_error) << fed;
  }
  EXPECT_EQ(in.offset(), 0U);
}

TEST(StreamPromises, ReadingAnItemIsNext) {
  for (const char* whole : {"A2 05", "A0", "AB 01 61", "AC 01 A4 0000000000000001"}) {
    morsel::stream in;
    in.feed(hex(whole));
    const std::optional<morsel::item> item = in.read<morsel::item>();
    ASSERT_TRUE(item.has_value()) << whole;
    EXPECT_TRUE(in.empty()) << whole;
    in.feed(hex("A2"));
    EXPECT_FALSE(in.next().has_value());
    EXPECT_EQ(in.needed(), 1U);
  }
}

// A wait is for one type at one offset.
TEST(StreamPromises, AWaitHoldsForTheSameTypeAtTheSameOffsetOnly) {
  morsel::stream in;
  in.feed(hex("A3 00000007"));
  EXPECT_FALSE(in.read<std::vector<int>>().has_value());  // seven ints to come
  EXPECT_EQ(in.needed(), 35U);
  EXPECT_EQ(in.read<unsigned int>(), 7U);
  in.feed(hex("A3 00000000"));
  EXPECT_EQ(in.read<std::vector<int>>(), std::vector<int>{});
}

TEST(StreamPromises, AFailedPrepareLeavesTheStreamAsItWas) {
  morsel::stream in;
  in.feed(hex("A3 00000001 A3 00000002"));
  ASSERT_TRUE(in.next().has_value());  // the bytes read are now as many as those left
  for (const std::size_t huge : {SIZE_MAX, SIZE_MAX / 2 + 1}) {
    EXPECT_THROW((void)in.prepare(huge), std::length_error);
    EXPECT_EQ(in.remaining().size(), 5U);
    EXPECT_EQ(in.offset(), 5U);
  }
  EXPECT_EQ(std::get<unsigned int>(*in.next()), 2U);
}

// Every error names the offset since the stream began, after bytes read and reclaimed.
TEST(StreamPromises, ErrorsNameOffsetsFromTheStreamsStart) {
  using Deep = std::vector<std::vector<int>>;
  const std::vector<Case> cases = {
      read_as<std::map<int, bool>>("repeated key", "A3 00000002 A6 00000001 A1 A6 00000001 A0"),
      read_as<std::variant<int, bool>>("variant index", "A2 02 A6 00000001"),
      read_as<std::array<unsigned long, 2>>("std::array count", "AC 01 A4 0000000000000001"),
      read_as<Reading>("member tag", "A3 00000001 A9 0000000000000000 A5 00"),
      read_as<int>("not a tag", "A7"),
      read_as<std::string>("long string part", "A3 00000100 AB FE"),
      read_as<Deep>("nested too deep", "A3 00000001 A3 00000001 A6 00000001"),
      read_as<std::vector<int>>("count past the bytes", "A3 00000009 A6 00000001"),
  };
  morsel::writer filler;
  for (int i = 0; i < 1000; ++i) {
    filler.write(static_cast<unsigned int>(i));
  }
  for (const Case& c : cases) {
    const Bytes whole = concat(Bytes(filler.bytes().begin(), filler.bytes().end()), c.bytes);
    morsel::reader reader(whole);
    reader.set_depth_limit(1);
    for (int i = 0; i < 1000; ++i) {
      reader.skip();
    }
    const std::string expected = message_of([&] { c.read(reader); });
    EXPECT_EQ(expected.substr(0, 6), "byte 5") << c.what << ": " << expected;

    morsel::stream in;
    in.set_depth_limit(1);
    for (std::size_t fed = 0; fed < filler.size(); fed += 1000) {
      in.feed(filler.bytes().subspan(fed, std::min<std::size_t>(1000, filler.size() - fed)));
      while (in.next()) {
      }
    }
    in.feed(c.bytes);
    in.finish();
    EXPECT_EQ(message_of([&] { c.stream_read(in); }), expected) << c.what;
  }
}

}  // namespace
