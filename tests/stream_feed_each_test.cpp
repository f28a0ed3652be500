// morsel::stream::feed_each: the values read in place from a caller's chunks are those that
// feed() and read<T>() give, in any chunking, with the same waits, errors and limits; a chunk of
// whole values is not copied.
#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/stream.h>

#include "allocation_counter.h"
#include "hex.h"

namespace {

using morsel_test::Bytes;
using morsel_test::hex;

struct Entry {
  unsigned int id;
  std::string text;
  std::vector<double> samples;
  std::map<std::string, std::optional<int>> tags;
  std::vector<std::string> names;
  bool operator==(const Entry&) const = default;
};

struct EntryView {
  unsigned int id;
  std::string_view text;
};

std::vector<Entry> entries() {
  std::vector<Entry> all;
  for (unsigned int i = 0; i < 60; ++i) {
    // Now and then a long text, many samples or many names: larger than the values before them.
    const std::size_t length = i % 17 == 5 ? 700 : i % 7;
    const std::size_t samples = i % 23 == 11 ? 400 : i % 3;
    const std::size_t names = i % 19 == 7 ? 300 : i % 2;
    all.push_back({i,
                   std::string(length, static_cast<char>('a' + i % 26)),
                   std::vector<double>(samples, 0.5 * i),
                   {{"k", i % 2 == 0 ? std::optional<int>(-static_cast<int>(i)) : std::nullopt}},
                   std::vector<std::string>(names, std::string(i % 3, 'n'))});
  }
  return all;
}

Bytes written(const std::vector<Entry>& all) {
  morsel::writer out;
  for (const Entry& e : all) {
    out.write(e);
  }
  return out.take();
}

// What one stream fed by feed_each and one fed by feed and read<T>() say after every chunk.
struct after_chunk {
  std::size_t read;
  std::size_t offset;
  std::size_t needed;
  std::size_t buffered;
  bool operator==(const after_chunk&) const = default;
};

TEST(StreamFeedEach, AnyChunkingReadsWhatFeedAndReadRead) {
  const std::vector<Entry> all = entries();
  const Bytes bytes = written(all);
  std::mt19937 rng(11);
  for (const std::size_t most : std::array<std::size_t, 7>{1, 2, 5, 40, 300, 4096, 100000}) {
    morsel::stream in_place;
    morsel::stream copied;
    std::vector<Entry> got;
    std::vector<after_chunk> by_feed_each;
    std::vector<after_chunk> by_feed;
    std::uniform_int_distribution<std::size_t> size(1, most);
    for (std::size_t fed = 0; fed < bytes.size();) {
      const std::size_t n = std::min(size(rng), bytes.size() - fed);
      // Each chunk its own allocation: a byte read past its end is one past the allocation.
      const Bytes chunk(bytes.begin() + static_cast<std::ptrdiff_t>(fed),
                        bytes.begin() + static_cast<std::ptrdiff_t>(fed + n));
      fed += n;
      const std::size_t read =
          in_place.feed_each<Entry>(chunk, [&](Entry&& e) { got.push_back(std::move(e)); });
      by_feed_each.push_back(
          {read, in_place.offset(), in_place.needed(), in_place.remaining().size()});
      copied.feed(chunk);
      std::size_t read_too = 0;
      while (copied.read<Entry>()) {
        ++read_too;
      }
      by_feed.push_back({read_too, copied.offset(), copied.needed(), copied.remaining().size()});
    }
    EXPECT_EQ(got, all) << "chunks of up to " << most;
    EXPECT_EQ(by_feed_each, by_feed) << "chunks of up to " << most;
    EXPECT_TRUE(in_place.empty());
  }
}

// Records of 8 bytes each: {id, "a"}.
Bytes short_records(unsigned int count) {
  morsel::writer out;
  for (unsigned int i = 0; i < count; ++i) {
    out.write(EntryView{i, "a"});
  }
  return out.take();
}

TEST(StreamFeedEach, ViewsPointIntoTheChunkAndWholeValuesAreNotCopied) {
  const Bytes bytes = short_records(40);
  const auto* first = reinterpret_cast<const char*>(bytes.data());
  morsel::stream in;
  std::size_t in_chunk = 0;
  morsel_test::reset_allocations();
  const std::size_t read = in.feed_each<EntryView>(bytes, [&](const EntryView& e) {
    in_chunk += static_cast<std::size_t>(e.text == "a" && e.text.data() > first &&
                                         e.text.data() < first + bytes.size());
  });
  EXPECT_EQ(morsel_test::allocations().calls, 0U);  // the stream took no buffer
  EXPECT_EQ(read, 40U);
  EXPECT_EQ(in_chunk, 40U);
  EXPECT_EQ(in.offset(), bytes.size());
}

// A wrong value, or a throw from the caller, leaves the bytes not yet read in the stream, as feed
// leaves them: what comes next is what read<T>() then reads.
TEST(StreamFeedEach, ErrorsKeepTheBytesNotYetRead) {
  Bytes bytes = short_records(30);
  bytes[160] = 0xA7;  // the tag of record 20's id
  std::vector<unsigned int> before(20);
  std::iota(before.begin(), before.end(), 0U);
  // Bytes fed before the rest: none, a record begun, whole records.
  for (const std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{96}}) {
    morsel::stream in;
    std::vector<unsigned int> ids;
    const auto keep_id = [&](const EntryView& e) { ids.push_back(e.id); };
    in.feed_each<EntryView>(std::span(bytes).first(cut), keep_id);
    try {
      in.feed_each<EntryView>(std::span(bytes).subspan(cut), keep_id);
      ADD_FAILURE() << "no error";
    } catch (const morsel::decode_error& e) {
      EXPECT_EQ(e.stopped_at(), 160U) << cut;
    }
    EXPECT_EQ(ids, before) << cut;
    EXPECT_EQ(in.offset(), 160U) << cut;
    EXPECT_EQ(in.remaining().size(), bytes.size() - 160) << cut;
    EXPECT_THROW((void)in.read<EntryView>(), morsel::decode_error) << cut;
  }
  // The caller throws at record 2, read in place or begun in the buffer; its exceptions are its
  // own, a stream_limit_error of another stream's too.
  const Bytes good = short_records(30);
  for (const std::size_t cut : {std::size_t{0}, std::size_t{19}}) {
    morsel::stream in;
    std::vector<unsigned int> ids;
    const auto full_at_2 = [&](const EntryView& e) {
      ids.push_back(e.id);
      if (e.id == 2) {
        throw morsel::stream_limit_error("downstream full", 0);
      }
    };
    in.feed_each<EntryView>(std::span(good).first(cut), full_at_2);
    EXPECT_THROW(in.feed_each<EntryView>(std::span(good).subspan(cut), full_at_2),
                 morsel::stream_limit_error);
    EXPECT_EQ(ids, (std::vector<unsigned int>{0, 1, 2})) << cut;
    const std::optional<EntryView> next = in.read<EntryView>();
    ASSERT_TRUE(next.has_value()) << cut;
    EXPECT_EQ(next->id, 3U) << cut;
    EXPECT_EQ(in.remaining().size(), good.size() - 32) << cut;
  }
}

TEST(StreamFeedEach, LimitsAndWaitsAreThoseOfFeed) {
  // A string past the limit after one within it: in a chunk larger than the limit (fed), and at
  // the end of one that is not (read in place, the second measured cut short).
  struct Case {
    std::size_t limit;
    std::size_t first;
    std::size_t chunk;
  };
  for (const Case c : {Case{64, 20, 136}, Case{128, 70, 128}}) {
    morsel::writer out;
    out.write(std::string(c.first, 'a')).write(std::string(200, 'b')).write(std::string(10, 'c'));
    const Bytes bytes = out.take();
    morsel::stream in(c.limit);
    std::vector<std::string> got;
    EXPECT_THROW(in.feed_each<std::string>(std::span(bytes).first(c.chunk),
                                           [&](std::string&& s) { got.push_back(s); }),
                 morsel::stream_limit_error);
    EXPECT_EQ(got, std::vector<std::string>{std::string(c.first, 'a')});
    EXPECT_EQ(in.offset(), c.first + 2);
    EXPECT_THROW((void)in.read<std::string>(), morsel::stream_limit_error);
  }

  // A value begun before the chunk, whose count would take it past the limit, but whose bytes in
  // the chunk are wrong first: refused as wrong, as feed(chunk) and read<T>() refuse it.
  morsel::writer counted;
  counted.write(300U).write(std::string(100, 'x'));  // the count of 300 strings, and the first
  Bytes wrong = counted.take();
  wrong.push_back(0x78);  // no tag
  wrong.resize(200, 0);
  std::vector<std::size_t> kept;  // by the stream, after the error: all that was not read
  for (const bool in_place : {true, false}) {
    morsel::stream begun(200);  // no less than the chunk, which is then read in place
    begun.feed(std::span(wrong).first(3));
    EXPECT_FALSE(begun.read<std::vector<std::string>>().has_value());
    try {
      if (in_place) {
        begun.feed_each<std::vector<std::string>>(std::span(wrong).subspan(3),
                                                  [](std::vector<std::string>&&) {});
      } else {
        begun.feed(std::span(wrong).subspan(3));
        (void)begun.read<std::vector<std::string>>();
      }
      ADD_FAILURE() << "no error";
    } catch (const morsel::decode_error& e) {
      EXPECT_EQ(e.stopped_at(), 107U) << in_place;
      EXPECT_EQ(dynamic_cast<const morsel::stream_limit_error*>(&e), nullptr) << e.what();
    }
    kept.push_back(begun.remaining().size());
  }
  EXPECT_EQ(kept, (std::vector<std::size_t>{200, 200}));
  // And the other way: 300 strings, the second announcing 20 MiB. The front of the chunk alone
  // says only that more bytes are needed than the chunk holds; the whole chunk, that the value is
  // past the limit.
  morsel::writer past;
  past.write(300U).write(std::string(120, 'x')).write(20U << 20);  // the second's length
  Bytes huge = past.take();
  huge.insert(huge.end(), {0xAB, 0xFF});
  huge.resize(huge.size() + 60, 'y');
  for (const bool in_place : {true, false}) {
    morsel::stream begun;
    begun.feed(std::span(huge).first(3));
    EXPECT_FALSE(begun.read<std::vector<std::string>>().has_value());
    if (in_place) {
      EXPECT_THROW(begun.feed_each<std::vector<std::string>>(std::span(huge).subspan(3),
                                                             [](std::vector<std::string>&&) {}),
                   morsel::stream_limit_error);
    } else {
      begun.feed(std::span(huge).subspan(3));
      EXPECT_THROW((void)begun.read<std::vector<std::string>>(), morsel::stream_limit_error);
    }
  }
  // A wait from before the chunk, which the chunk does not end, stands: no look at the bytes
  // until those it needs have come, as after feed.
  Bytes waits = hex("A3 0000012C AB02 6161 78");
  waits.resize(200, 0);
  std::vector<std::size_t> needed;
  for (const bool in_place : {true, false}) {
    morsel::stream begun;
    begun.feed(std::span(waits).first(5));  // the count of 300: 600 bytes more at least
    EXPECT_FALSE(begun.read<std::vector<std::string>>().has_value());
    if (in_place) {
      EXPECT_EQ(begun.feed_each<std::vector<std::string>>(std::span(waits).subspan(5),
                                                          [](std::vector<std::string>&&) {}),
                0U);
    } else {
      begun.feed(std::span(waits).subspan(5));
      EXPECT_FALSE(begun.read<std::vector<std::string>>().has_value());
    }
    needed.push_back(begun.needed());
  }
  EXPECT_EQ(needed[0], needed[1]);
}

// Where nothing is gained in place (items; a finished stream; a value nested deeper than the
// limit), the bytes are fed and read as feed and read<T>() read them.
TEST(StreamFeedEach, WhatIsNotReadInPlaceIsReadAsFeedReadsIt) {
  morsel::writer out;
  for (unsigned int i = 0; i < 40; ++i) {
    out.write(EntryView{i, "some text"});
  }
  const Bytes bytes = out.take();
  morsel::stream items;
  std::size_t walked = 0;
  EXPECT_EQ(items.feed_each<morsel::item>(bytes, [&](const morsel::item&) { ++walked; }), 80U);
  EXPECT_EQ(walked, 80U);

  morsel::stream shallow;
  shallow.set_depth_limit(0);
  try {
    shallow.feed_each<EntryView>(bytes, [](const EntryView&) {});
    ADD_FAILURE() << "no error";
  } catch (const morsel::decode_error& e) {
    EXPECT_NE(std::string(e.what()).find("nested deeper than 0"), std::string::npos) << e.what();
  }
  EXPECT_EQ(shallow.remaining().size(), bytes.size());

  morsel::stream finished;
  finished.finish();
  EXPECT_THROW(finished.feed_each<int>(hex("A6 00000001 A6 00"), [](int) {}),
               morsel::truncated_error);
  EXPECT_EQ(finished.offset(), 5U);
}

}  // namespace
