// Reading into values that already exist: the same values and errors as read<T>(), with the
// storage of the value read into reused, so that a log read into one value allocates only while
// its values still grow.
#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/stream.h>

#include "allocation_counter.h"

namespace {

enum class Level : unsigned char { debug, info, warn, error };

struct Event {
  unsigned long time_ns;
  Level level;
  std::string source;
  std::string message;
  std::vector<double> samples;
  std::map<std::string, std::string> tags;
  std::optional<unsigned int> code;
  std::set<std::string> labels;
  std::vector<bool> flags;
  bool operator==(const Event&) const = default;
};

// Events of every size: now and then a long message or many samples; two tags and two labels of
// varying lengths, longer than a short string's inline room; flags of every count up to six, each
// event's unlike the one before.
std::vector<Event> sample_events(std::size_t count) {
  std::vector<Event> events;
  for (std::size_t i = 0; i < count; ++i) {
    Event e{1'765'000'000'000'000'000UL + i * 1'234'567,
            static_cast<Level>(i % 4),
            "worker-" + std::to_string(i % 13),
            std::string(i % 17 == 0 ? 300 + i % 1700 : 20, 'm'),
            std::vector<double>(i % 23 == 0 ? 300 + i % 900 : i % 5, 0.5 * static_cast<double>(i)),
            {},
            std::nullopt,
            {},
            {}};
    for (std::size_t f = 0; f < i % 7; ++f) {
      e.flags.push_back((i + f) % 3 == 0);
    }
    for (std::size_t t = 0; t < 2; ++t) {
      e.tags["tag-" + std::to_string(t)] = std::string(20 + (i + t) % 30, 'v');
      e.labels.insert("label-of-some-length-" + std::to_string((i + t) % 7));
    }
    if (i % 3 == 0) {
      e.code = static_cast<unsigned int>(i);
    }
    events.push_back(std::move(e));
  }
  return events;
}

std::vector<unsigned char> message_of(const std::vector<Event>& events) {
  morsel::writer out;
  for (const Event& e : events) {
    out.write(e);
  }
  return out.take();
}

// Every event read into one: the same values as written; a second pass over the same log, every
// value already as large as it gets, allocates nothing at all (the map's and the set's nodes and
// their strings reused), and the first only as values grow.
TEST(ReadInto, OneValueReadManyTimesAllocatesOnlyToGrow) {
  const std::vector<Event> events = sample_events(2000);
  const std::vector<unsigned char> bytes = message_of(events);
  Event into{};
  for (std::size_t pass = 0; pass < 2; ++pass) {
    morsel::reader in(bytes);
    morsel_test::reset_allocations();
    std::size_t mismatches = 0;
    for (const Event& expected : events) {
      in.read_into(into);
      if (!(into == expected)) {
        ++mismatches;
      }
    }
    const std::size_t calls = morsel_test::allocations().calls;
    EXPECT_EQ(mismatches, 0U) << "pass " << pass;
    EXPECT_TRUE(in.empty());
    if (pass == 0) {
      EXPECT_LT(calls, events.size() / 10) << "allocating per event, not to grow";
    } else {
      EXPECT_EQ(calls, 0U);
    }
  }
}

// The stream's read_into: false while a value is not whole, the values in order whatever the
// chunks.
TEST(ReadInto, TheStreamReadsIntoOneValueInEveryChunking) {
  const std::vector<Event> events = sample_events(60);
  const std::vector<unsigned char> bytes = message_of(events);
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
    morsel::stream in;
    Event into{};
    std::size_t read = 0;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
      in.feed(
          std::span<const unsigned char>(bytes).subspan(at, std::min(chunk, bytes.size() - at)));
      while (in.read_into(into)) {
        ASSERT_LT(read, events.size());
        EXPECT_EQ(into, events[read]) << "event " << read << ", chunk " << chunk;
        ++read;
      }
    }
    EXPECT_EQ(read, events.size()) << "chunk " << chunk;
  }
}

// Bad bytes: the error read<T>() gives, naming the part, the reader not moved, the value still
// one to read into. The second event is spoiled where it reuses what the first left: its level,
// a tag's key and value in a reused map node, a label in a reused set node.
TEST(ReadInto, AfterAThrowTheReaderHasNotMovedAndTheValueIsUsable) {
  const std::vector<Event> events = sample_events(3);
  const std::vector<unsigned char> sound = message_of(events);
  morsel::reader first(sound);
  Event into{};
  first.read_into(into);
  const std::size_t second = first.offset();
  // The string item of `text` in the second event: its tag byte's offset.
  const auto string_in_second = [&](const std::string& text) {
    const std::vector<unsigned char> item = morsel::serialize(text);
    return static_cast<std::size_t>(std::search(sound.begin() + static_cast<std::ptrdiff_t>(second),
                                                sound.end(), item.begin(), item.end()) -
                                    sound.begin());
  };
  const struct {
    std::size_t spoiled;  // made a u32 tag
    const char* part;
  } cases[] = {
      {second + 9, "Event.level"},
      {string_in_second("tag-1"), "Event.tags[key 1]"},
      {string_in_second(events[1].tags.at("tag-0")), "Event.tags[\"tag-0\"]"},
      {string_in_second(*events[1].labels.begin()), "Event.labels[0]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.part);
    ASSERT_LT(c.spoiled, sound.size());
    std::vector<unsigned char> bytes = sound;
    bytes[c.spoiled] = 0xA6;
    morsel::reader in(bytes);
    in.read_into(into);
    std::string from_read;
    try {
      morsel::reader again(bytes);
      (void)again.read<Event>();
      (void)again.read<Event>();
    } catch (const morsel::decode_error& e) {
      from_read = e.what();
    }
    try {
      in.read_into(into);
      ADD_FAILURE() << "read";
    } catch (const morsel::decode_error& e) {
      EXPECT_EQ(e.what(), from_read);
      EXPECT_NE(from_read.find(c.part), std::string::npos) << from_read;
    }
    EXPECT_EQ(in.offset(), second);
    morsel::reader fresh(sound);
    fresh.read_into(into);
    fresh.read_into(into);
    EXPECT_EQ(into, events[1]);
  }
}

}  // namespace
