// The types a program already has: its own through morsel::written_as, std::chrono durations and
// time points, sets, deques and lists. Their bytes, round trips nested in each other and in
// records (by the reader, the stream in every chunking and a schema), and the values refused.
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/schema.h>
#include <morsel/stream.h>
#include <morsel/value.h>

#include "hex.h"

namespace {

using morsel_test::Bytes;
using morsel_test::hex;

// A class of the program's own: no default constructor, a value it refuses.
class Celsius {
 public:
  explicit Celsius(double degrees) : degrees_(degrees) {}
  double degrees() const { return degrees_; }
  bool operator==(const Celsius&) const = default;

 private:
  double degrees_;
};

// A value that refuses to be written when negative.
struct Fragile {
  int n;
};

// An id over a string, handed to the writer by reference.
struct StationId {
  std::string text;
  bool operator==(const StationId&) const = default;
};

}  // namespace

template <>
struct morsel::written_as<Celsius> {
  using type = double;
  static double to(const Celsius& c) { return c.degrees(); }
  static Celsius from(double degrees) {
    if (degrees < -273.15) {
      throw std::out_of_range("below absolute zero");
    }
    return Celsius{degrees};
  }
};

template <>
struct morsel::written_as<Fragile> {
  using type = int;
  static int to(const Fragile& f) {
    if (f.n < 0) {
      throw std::domain_error("negative");
    }
    return f.n;
  }
  static Fragile from(int n) { return Fragile{n}; }
};

template <>
struct morsel::written_as<StationId> {
  using type = std::string;
  static const std::string& to(const StationId& id) { return id.text; }
  static StationId from(std::string text) { return StationId{std::move(text)}; }
};

namespace {

struct Tagged {
  unsigned int id;
  Fragile value;
};

struct Sample {
  unsigned int id = 0;
  Celsius temperature{0.0};
  bool operator==(const Sample&) const = default;
};

struct Station {
  StationId id;
  std::chrono::system_clock::time_point since;
  std::chrono::milliseconds period{};
  std::chrono::duration<double> drift{};
  std::optional<Celsius> last;
  std::vector<Sample> samples;
  std::map<std::string, Celsius> by_sensor;
  std::set<std::string> labels;
  std::unordered_set<int> channels;
  std::deque<double> ring;
  std::list<std::string> notes;
  std::vector<std::set<unsigned char>> groups;
  bool operator==(const Station&) const = default;
};

template <typename T>
Bytes written(const T& value) {
  morsel::writer out;
  out.write(value);
  return {out.bytes().begin(), out.bytes().end()};
}

struct Case {
  const char* what;
  Bytes bytes;
  Bytes expected;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.what;
}

class OwnTypeBytes : public testing::TestWithParam<Case> {};

TEST_P(OwnTypeBytes, AreTheSurrogatesOrTheVectors) {
  EXPECT_EQ(GetParam().bytes, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OwnTypeBytes,
    testing::Values(
        Case{"written_as: the surrogate's item", written(Celsius{1.5}), hex("A9 3FF8000000000000")},
        Case{"a vector of it: a count and items, not the f64 array item",
             written(std::vector<Celsius>{Celsius{1.5}}), hex("A3 00000001 A9 3FF8000000000000")},
        Case{"a surrogate handed by reference", written(StationId{"ab"}), hex("AB 02 6162")},
        Case{"nanoseconds: the i64 of the count", written(std::chrono::nanoseconds(-2)),
             hex("A4 FFFFFFFFFFFFFFFE")},
        Case{"a duration of int", written(std::chrono::duration<int, std::milli>(7)),
             hex("A6 00000007")},
        Case{"a duration of double", written(std::chrono::duration<double>(1.5)),
             hex("A9 3FF8000000000000")},
        Case{"a time point: the count since the epoch",
             written(std::chrono::sys_seconds(std::chrono::seconds(1))),
             hex("A4 0000000000000001")},
        Case{"system_clock's time point: nanoseconds here",
             written(std::chrono::system_clock::time_point(std::chrono::seconds(1))),
             hex("A4 000000003B9ACA00")},
        Case{"a set: a count and the elements in order", written(std::set<std::string>{"b", "a"}),
             hex("A3 00000002 AB 01 61 AB 01 62")},
        Case{"an unordered set", written(std::unordered_set<int>{7}),
             hex("A3 00000001 A6 00000007")},
        Case{"a deque of doubles: the f64 array item", written(std::deque<double>{1.0, -0.0}),
             written(std::vector<double>{1.0, -0.0})},
        Case{"a long deque of bytes: the long form", written(std::deque<unsigned char>(300, 7)),
             written(std::vector<unsigned char>(300, 7))},
        Case{"a list of strings past 255 bytes",
             written(std::list<std::string>{"a", std::string(300, 'x')}),
             written(std::vector<std::string>{"a", std::string(300, 'x')})},
        Case{"a list of records", written(std::list<Sample>{{1, Celsius{2.0}}}),
             written(std::vector<Sample>{{1, Celsius{2.0}}})},
        Case{"a deque of bools", written(std::deque<bool>{true, false}),
             written(std::vector<bool>{true, false})}));

Station full_station() {
  Station s;
  s.id = StationId{"oslo-" + std::string(300, '1')};
  s.since =
      std::chrono::system_clock::time_point(std::chrono::nanoseconds(1'765'000'000'123'456'789));
  s.period = std::chrono::milliseconds(250);
  s.drift = std::chrono::duration<double>(-0.5);
  s.last = Celsius{-4.5};
  s.samples = {{1, Celsius{20.5}}, {2, Celsius{-273.15}}};
  s.by_sensor = {{"roof", Celsius{1.0}}, {"cellar", Celsius{9.0}}};
  s.labels = {"coast", "north", std::string(256, 'l')};
  s.channels = {3, 1, 2};
  s.ring = std::deque<double>(400, 0.25);
  s.notes = {"calibrated", ""};
  s.groups = {{}, {1, 2, 255}};
  return s;
}

// Nested in each other and in records, at the top level and as members, they read back.
TEST(OwnTypes, RoundTripNestedThroughTheReader) {
  const Station station = full_station();
  const std::map<int, std::deque<std::set<int>>> nested{{1, {{1, 2}, {}}}, {2, {}}};
  morsel::writer out;
  out.write(station).write(nested).write(Celsius{3.0});
  morsel::reader in(out.bytes());
  EXPECT_EQ(in.read<Station>(), station);
  const auto nested_back = in.read<std::map<int, std::deque<std::set<int>>>>();
  EXPECT_EQ(nested_back, nested);
  EXPECT_EQ(in.read<Celsius>(), Celsius{3.0});
  EXPECT_TRUE(in.empty());
}

// A stream hands out each value once whole, whatever the chunks; needed() never points past the
// value it waits for.
TEST(OwnTypes, TheStreamReadsThemInEveryChunking) {
  const Station station = full_station();
  morsel::writer out;
  out.write(station).write(station);
  const std::span<const unsigned char> bytes = out.bytes();
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{64},
                                  std::size_t{300}, bytes.size()}) {
    morsel::stream in;
    std::vector<Station> got;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
      in.feed(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
      while (std::optional<Station> s = in.read<Station>()) {
        got.push_back(std::move(*s));
      }
      if (got.size() < 2) {  // waiting for one of them
        EXPECT_LE(in.offset() + in.remaining().size() + in.needed(), bytes.size())
            << "chunk " << chunk;
      }
    }
    ASSERT_EQ(got.size(), 2U) << "chunk " << chunk;
    EXPECT_EQ(got[1], station) << "chunk " << chunk;
  }
}

struct Refusal {
  const char* what;
  Bytes bytes;
  std::function<void(morsel::reader&)> read;
  const char* message;
};

void PrintTo(const Refusal& r, std::ostream* out) {
  *out << r.what;
}

class OwnTypeRefusals : public testing::TestWithParam<Refusal> {};

// `from` refusing a value, or a set given an element twice: decode_error naming the offset and
// the path, and the reader has not moved.
TEST_P(OwnTypeRefusals, SayWhereAndWhyAndMoveNothing) {
  const Refusal& r = GetParam();
  morsel::reader in(r.bytes);
  try {
    r.read(in);
    ADD_FAILURE() << "read";
  } catch (const morsel::decode_error& e) {
    EXPECT_STREQ(e.what(), r.message);
  }
  EXPECT_EQ(in.offset(), 0U);
}

const Bytes kCold = hex("A9 C07F400000000000");  // -500.0

INSTANTIATE_TEST_SUITE_P(
    Table, OwnTypeRefusals,
    testing::Values(
        Refusal{"at the top level", kCold, [](morsel::reader& in) { (void)in.read<Celsius>(); },
                "byte 0: Celsius: below absolute zero"},
        Refusal{"as a member of a record of fixed size",
                morsel_test::concat(hex("A3 00000001"), kCold),
                [](morsel::reader& in) { (void)in.read<Sample>(); },
                "byte 5: Sample.temperature: below absolute zero"},
        Refusal{"in a vector", morsel_test::concat(hex("A3 00000002 A9 0000000000000000"), kCold),
                [](morsel::reader& in) { (void)in.read<std::vector<Celsius>>(); },
                "byte 14: vector<Celsius>[1]: below absolute zero"},
        Refusal{"as a map's value", morsel_test::concat(hex("A3 00000001 AB 04 726F6F66"), kCold),
                [](morsel::reader& in) { (void)in.read<std::map<std::string, Celsius>>(); },
                "byte 11: map<string, Celsius>[\"roof\"]: below absolute zero"},
        Refusal{"a set's element twice", hex("A3 00000003 A6 00000001 A6 00000002 A6 00000001"),
                [](morsel::reader& in) { (void)in.read<std::set<int>>(); },
                "byte 15: set<i32>[2]: it repeats an earlier element"},
        Refusal{"an unordered set's", hex("A3 00000002 AB 01 61 AB 01 61"),
                [](morsel::reader& in) { (void)in.read<std::unordered_set<std::string>>(); },
                "byte 8: set<string>[1]: it repeats an earlier element"},
        // A wrong tag is reported as such, and `from` never sees the payload under it.
        Refusal{"a wrong tag in a record of fixed size",
                morsel_test::concat(hex("A3 00000001 A8"), Bytes(kCold.begin() + 1, kCold.end())),
                [](morsel::reader& in) { (void)in.read<Sample>(); },
                "byte 5: Sample.temperature: expected tag 0xa9, got 0xa8"},
        Refusal{"a wrong tag in a vector of them",
                hex("A3 00000002 A3 00000001 A9 0000000000000000 A6 00000002 A9 0000000000000000"),
                [](morsel::reader& in) { (void)in.read<std::vector<Sample>>(); },
                "byte 19: vector<Sample>[1].id: expected tag 0xa3, got 0xa6"},
        Refusal{"a time point's wrong tag", hex("A3 00000001"),
                [](morsel::reader& in) { (void)in.read<std::chrono::system_clock::time_point>(); },
                "byte 0: expected tag 0xa4, got 0xa3"}));

// A `to` that throws leaves the writer as it was, in a record of fixed size (written in one
// piece) as in a vector.
TEST(OwnTypes, AThrowingToLeavesTheWriterAsItWas) {
  morsel::writer out;
  out.write(1U);
  const Bytes before(out.bytes().begin(), out.bytes().end());
  EXPECT_THROW(out.write(Tagged{2, Fragile{-1}}), std::domain_error);
  EXPECT_THROW(out.write(std::vector<Fragile>{Fragile{1}, Fragile{-1}}), std::domain_error);
  EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()), before);
  out.write(Tagged{2, Fragile{3}});
  EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()),
            morsel_test::concat(before, hex("A3 00000002 A6 00000003")));
}

// The schema names a written_as type over its surrogate, spells the library's own as theirs, and
// reads the same bytes by name, refusing what the compiled reader refuses.
TEST(OwnTypes, TheSchemaDescribesThemAndReadsTheSameBytes) {
  EXPECT_EQ(morsel::schema<Station>(),
            "Station {id: StationId, since: i64, period: i64, drift: f64, last: optional<Celsius>, "
            "samples: vector<Sample>, by_sensor: map<string, Celsius>, labels: set<string>, "
            "channels: set<i32>, ring: vector<f64>, notes: vector<string>, groups: "
            "vector<set<u8>>}\n"
            "StationId = string\n"
            "Celsius = f64\n"
            "Sample {id: u32, temperature: Celsius}\n");
  const morsel::type_set types = morsel::type_set::parse(morsel::schema<Station>());
  const Bytes bytes = written(full_station());
  morsel::reader in(bytes);
  const morsel::value v = morsel::read_value(in, *types.first());
  EXPECT_TRUE(in.empty());
  morsel::writer out;
  morsel::write_value(out, *types.first(), v);
  EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()), bytes);

  morsel::type_set sets = morsel::type_set::parse("S = set<i32>");
  const Bytes twice = hex("A3 00000002 A6 00000001 A6 00000001");
  morsel::reader by_schema(twice);
  try {
    (void)morsel::read_value(by_schema, *sets.first());
    ADD_FAILURE() << "read";
  } catch (const morsel::decode_error& e) {
    EXPECT_STREQ(e.what(), "byte 10: S[1]: it repeats an earlier element");
  }
  // Read into a value that held a larger set, a smaller one leaves nothing of it behind.
  morsel::writer sizes;
  sizes.write(std::set<int>{1, 2, 3}).write(std::set<int>{7});
  morsel::reader both(sizes.bytes());
  morsel::value reused;
  morsel::read_value(both, *sets.first(), reused);
  morsel::read_value(both, *sets.first(), reused);
  morsel::writer last;
  morsel::write_value(last, *sets.first(), reused);
  EXPECT_EQ(Bytes(last.bytes().begin(), last.bytes().end()), written(std::set<int>{7}));
  morsel::value repeated;
  repeated.data =
      morsel::value::list{morsel::value{std::int64_t{1}, 0}, morsel::value{std::int64_t{1}, 0}};
  EXPECT_THROW(morsel::write_value(out, *sets.first(), repeated), std::invalid_argument);
}

}  // namespace
