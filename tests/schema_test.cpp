// Names the bytes never carry: member, enumerator and type names at compile time; the schema the
// library writes; the schema read back at run time, reading and writing exactly what the compiled
// conventions read and write, and refusing what they refuse with the same words; errors by name.
#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/schema.h>
#include <morsel/stream.h>
#include <morsel/types.h>
#include <morsel/value.h>

#include "hex.h"

namespace telemetry {
enum class Level : unsigned char { debug, info, warn, error };
struct Event {
  unsigned long time_ns;
  Level level;
  std::string source;
  std::string message;
  std::vector<double> samples;
  std::map<std::string, std::string> tags;
  std::optional<unsigned int> code;
};
}  // namespace telemetry

namespace {

using morsel_test::Bytes;
using morsel_test::hex;
using telemetry::Event;
using telemetry::Level;

enum class Signed : signed char { low = -128, zero = 0, high = 127 };
enum class Flag : bool { off, on };
enum Plain : int { alpha = -3, beta = 300 };
enum Unfixed { first, second };  // no underlying type declared: its values are not looked for

class Account {
  unsigned int id_ = 0;
  std::string owner_;

 public:
  using morsel_members = morsel::members<&Account::id_, &Account::owner_>;
};

class Tied {
  int a_ = 0;
  double b_ = 0;
  // cppcheck-suppress unusedPrivateFunction ; found by argument-dependent lookup
  friend auto morsel_members(auto& self) { return std::tie(self.a_, self.b_); }
};

// Positions of two digits and more (in a namespace of its own, whose morsel_members is its own).
namespace twelve {
class TiedTwelve {
  std::array<int, 12> n_{};
  // cppcheck-suppress unusedPrivateFunction ; found by argument-dependent lookup
  friend auto morsel_members(auto& self) {
    auto& n = self.n_;
    return std::tie(n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10], n[11]);
  }
};
}  // namespace twelve
using twelve::TiedTwelve;

template <typename T>
struct Box {
  T inside;
};

struct Node {
  unsigned int value;
  std::vector<Node> children;
};

static_assert(morsel::member_names<Event>()[3] == "message");
static_assert(morsel::member_names<Account>() == std::array<std::string_view, 2>{"id_", "owner_"});
static_assert(morsel::member_names<Tied>() == std::array<std::string_view, 2>{"0", "1"});
static_assert(morsel::member_names<TiedTwelve>()[9] == "9" &&
              morsel::member_names<TiedTwelve>()[10] == "10" &&
              morsel::member_names<TiedTwelve>()[11] == "11");
static_assert(morsel::type_name<Event>() == "telemetry::Event");
static_assert(morsel::type_name<Node>() == "Node");  // no mark of the anonymous namespace
static_assert(morsel::type_name<Box<int>>() == "Box_int_");

TEST(Names, EnumeratorsWhereTheCompilerNamesThem) {
  const auto names = [](const auto& list) {
    std::string text;
    for (const auto& [value, name] : list) {
      text += std::to_string(static_cast<long>(value)) + "=" + std::string(name) + " ";
    }
    return text;
  };
  EXPECT_EQ(names(morsel::enumerators<Level>()), "0=debug 1=info 2=warn 3=error ");
  EXPECT_EQ(names(morsel::enumerators<Signed>()), "-128=low 0=zero 127=high ");
  EXPECT_EQ(names(morsel::enumerators<Flag>()), "0=off 1=on ");
  EXPECT_EQ(names(morsel::enumerators<Plain>()), "-3=alpha ");  // 300 is past 255
  EXPECT_EQ(names(morsel::enumerators<Unfixed>()), "");
}

TEST(Names, ALocalClassIsNamedWithoutItsFunction) {
  struct Local {
    int x;
  };
  EXPECT_EQ(morsel::type_name<Local>(), "Local");
}

auto first_local() {
  struct Local {
    int x;
  };
  return Local{};
}
auto second_local() {
  struct Local {
    double y;
  };
  return Local{};
}

// Two types of one name, as local classes of two functions are: numbered in the schema, from 2.
TEST(Names, TypesOfOneNameAreNumbered) {
  struct Both {
    decltype(first_local()) a;
    decltype(second_local()) b;
    decltype(first_local()) c;
  };
  morsel::writer out;
  out.write(Both{first_local(), second_local(), first_local()});
  EXPECT_EQ(out.bytes().size(), 5U + 9U + 5U);
  EXPECT_EQ(morsel::schema<Both>(),
            "Both {a: Local, b: Local_2, c: Local}\nLocal {x: i32}\nLocal_2 {y: f64}\n");
}

enum class Status : unsigned char { ok = 1, down = 200 };
struct Reading {
  unsigned int sensor;
  double value;
  Status status;
};
struct Everything {
  std::array<float, 2> where;
  std::array<std::string, 2> names;
  std::vector<Reading> readings;
  std::map<int, std::vector<Status>> by_id;
  std::unordered_map<std::string, bool> flags;
  std::variant<int, std::string, Reading> payload;
  std::pair<long, std::tuple<bool, double>> extra;
  std::optional<std::vector<std::optional<Reading>>> maybe;
  std::vector<unsigned char> blob;
  std::vector<std::string> lines;
  Person who;
  Tied tied;
  Account account;
  std::vector<Node> trees;
  std::array<Reading, 2> pair_of;
  std::array<std::vector<int>, 2> arrays;
  std::vector<long> signed_longs;
  std::vector<std::string_view> views;
};

TEST(Schema, DescribesEveryConventionAndEveryTypeUsedOnce) {
  EXPECT_EQ(morsel::schema<Event>(),
            "telemetry::Event {time_ns: u64, level: telemetry::Level, source: string, message: "
            "string, samples: vector<f64>, tags: map<string, string>, code: optional<u32>}\n"
            "telemetry::Level = enum u8 {debug = 0, info = 1, warn = 2, error = 3}\n");
  EXPECT_EQ(morsel::schema<Node>(), "Node {value: u32, children: vector<Node>}\n");
  EXPECT_EQ(morsel::schema<std::vector<Status>>(),
            "Value = vector<Status>\nStatus = enum u8 {ok = 1, down = 200}\n");
  EXPECT_EQ(
      morsel::schema<Everything>(),
      "Everything {where: array<f32, 2>, names: array<string, 2>, readings: vector<Reading>, "
      "by_id: map<i32, vector<Status>>, flags: map<string, bool>, payload: variant<i32, string, "
      "Reading>, extra: tuple<i64, tuple<bool, f64>>, maybe: optional<vector<optional<Reading>>>, "
      "blob: vector<u8>, lines: vector<string>, who: person, tied: Tied, account: Account, "
      "trees: vector<Node>, pair_of: array<Reading, 2>, arrays: array<vector<i32>, 2>, "
      "signed_longs: vector<i64>, views: vector<string>}\n"
      "Reading {sensor: u32, value: f64, status: Status}\n"
      "Status = enum u8 {ok = 1, down = 200}\n"
      "Tied {0: i32, 1: f64}\n"
      "Account {id_: u32, owner_: string}\n"
      "Node {value: u32, children: vector<Node>}\n");
}

Everything sample() {
  Everything e{};
  e.where = {1.5F, -2.0F};
  e.names = {std::string(300, 'n'), "b"};
  e.readings = {{1, 20.5, Status::ok}, {2, -1.0, Status::down}};
  e.by_id = {{-4, {Status::ok}}, {9, {}}};
  e.flags = {{"on", true}};
  e.payload = Reading{9, 0.25, Status::ok};
  e.extra = {-7, {true, 0.5}};
  e.maybe = std::vector<std::optional<Reading>>{std::nullopt, Reading{3, 1.0, Status::ok}};
  e.blob = std::vector<unsigned char>(300, 9);
  e.lines = {"a", std::string(260, 'l')};
  e.who = Person{30, 1.5F, ""};
  e.trees = {Node{1, {Node{2, {}}}}};
  e.pair_of = {Reading{5, 5.5, Status::ok}, Reading{6, 6.5, Status::down}};
  e.arrays = {std::vector<int>{1, 2}, std::vector<int>{}};
  e.signed_longs = {-1, 1L << 40};
  e.views = {"x", "yz"};
  return e;
}

const morsel::type_set& everything_types() {
  static const morsel::type_set types = morsel::type_set::parse(morsel::schema<Everything>());
  return types;
}

// Read by the schema and written back by it: the compiled writer's bytes, exactly.
TEST(Schema, ReadAndWrittenByTheSchemaTheBytesAreTheCompiledOnes) {
  morsel::writer out;
  out.write(sample()).write(Everything{});
  const morsel::type& t = *everything_types().first();
  morsel::reader in(out.bytes());
  morsel::writer again;
  morsel::value v;
  while (!in.empty()) {
    morsel::read_value(in, t, v);  // the second into the first's storage
    morsel::write_value(again, t, v);
  }
  EXPECT_EQ(Bytes(again.bytes().begin(), again.bytes().end()),
            Bytes(out.bytes().begin(), out.bytes().end()));
}

// A value's nesting counts the same by its schema as compiled: the least depth limit at which the
// compiled writer writes it lets the schema's writer and both readers take it, and one less
// stops all four.
TEST(Schema, NestingCountsAsCompiled) {
  struct Pair {
    int a;
    std::vector<std::string> names;
  };
  const auto check = [](const auto& typed) {
    using T = std::decay_t<decltype(typed)>;
    const morsel::type_set types = morsel::type_set::parse(morsel::schema<T>());
    const morsel::type& t = *types.first();
    std::size_t least = 0;
    morsel::writer out;
    for (;; ++least) {
      out.set_depth_limit(least);
      try {
        out.write(typed);
        break;
      } catch (const std::length_error&) {
      }
    }
    ASSERT_GT(least, 0U) << t.spelled();
    morsel::reader first(out.bytes());
    const morsel::value v = morsel::read_value(first, t);
    for (const std::size_t limit : {least - 1, least}) {
      const bool deep_enough = limit == least;
      morsel::writer by_schema;
      by_schema.set_depth_limit(limit);
      morsel::reader typed_in(out.bytes());
      typed_in.set_depth_limit(limit);
      morsel::reader schema_in(out.bytes());
      schema_in.set_depth_limit(limit);
      const std::string what = t.spelled() + " at limit " + std::to_string(limit);
      if (deep_enough) {
        EXPECT_NO_THROW(morsel::write_value(by_schema, t, v)) << what;
        EXPECT_NO_THROW((void)typed_in.read<T>()) << what;
        EXPECT_NO_THROW((void)morsel::read_value(schema_in, t)) << what;
      } else {
        EXPECT_THROW(morsel::write_value(by_schema, t, v), std::length_error) << what;
        EXPECT_THROW((void)typed_in.read<T>(), morsel::decode_error) << what;
        EXPECT_THROW((void)morsel::read_value(schema_in, t), morsel::decode_error) << what;
      }
    }
  };
  check(std::map<unsigned char, std::vector<int>>{{1, {2}}});
  check(std::set<int>{1, 2});
  check(std::optional<std::tuple<int, std::string>>{{1, "x"}});
  check(std::vector<std::array<int, 2>>{{1, 2}});
  check(std::variant<int, std::vector<std::optional<int>>>{std::vector<std::optional<int>>{1}});
  check(std::pair<Pair, Pair>{});
}

// Every byte of a message changed in turn: the compiled reader and the schema reader refuse the
// same ones, with the same words, and neither moves.
TEST(Schema, BothReadersRefuseTheSameBytesTheSameWay) {
  morsel::writer out;
  out.write(sample());
  const Bytes bytes(out.bytes().begin(), out.bytes().end());
  const morsel::type& t = *everything_types().first();
  std::size_t refused = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    Bytes changed = bytes;
    changed[i] = static_cast<unsigned char>(changed[i] ^ 0x5AU);
    std::string compiled = "read";
    std::string by_schema = "read";
    morsel::reader a(changed);
    morsel::reader b(changed);
    try {
      (void)a.read<Everything>();
    } catch (const morsel::decode_error& e) {
      compiled = e.what();
      EXPECT_EQ(a.offset(), 0U);
    }
    try {
      (void)morsel::read_value(b, t);
    } catch (const morsel::decode_error& e) {
      by_schema = e.what();
      EXPECT_EQ(b.offset(), 0U);
    }
    ASSERT_EQ(compiled, by_schema) << "byte " << i;
    refused += compiled == "read" ? 0U : 1U;
  }
  EXPECT_GT(refused, 100U);
}

// Errors name the path by the names: members, elements, and map values by their keys.
TEST(Names, ErrorsNameThePathByName) {
  struct Case {
    const char* what;
    std::function<void(morsel::reader&)> read;
    Bytes bytes;
    const char* message;
  };
  // time_ns 0-8, level 9-10, source 11-14, message 15-23, samples 24-25, tags 26-39 (the value
  // under "host" at 37), code 40.
  morsel::writer event;
  event.write(Event{17, Level::info, "db", "message", {}, {{"host", "a"}}, std::nullopt});
  Bytes wrong_message(event.bytes().begin(), event.bytes().end());
  wrong_message[15] = 0xA6;
  Bytes wrong_tag_value(event.bytes().begin(), event.bytes().end());
  wrong_tag_value[37] = 0xA6;
  const std::vector<Case> cases = {
      {"member", [](morsel::reader& in) { (void)in.read<Event>(); }, wrong_message,
       "byte 15: telemetry::Event.message: expected tag 0xaa or 0xab, got 0xa6"},
      {"map value by key", [](morsel::reader& in) { (void)in.read<Event>(); }, wrong_tag_value,
       "byte 37: telemetry::Event.tags[\"host\"]: expected tag 0xaa or 0xab, got 0xa6"},
      {"element", [](morsel::reader& in) { (void)in.read<std::vector<Reading>>(); },
       hex("A3 00000002 A3 00000001 A9 0000000000000000 A2 01 A3 00000002 A9 0000000000000000 A5 "
           "01"),
       "byte 35: vector<Reading>[1].status: expected tag 0xa2, got 0xa5"},
      {"a key that is not printable, by position",
       [](morsel::reader& in) { (void)in.read<std::map<std::string, int>>(); },
       hex("A3 00000001 AB 02 6101 A5 00"),
       "byte 9: map<string, i32>[value 0]: expected tag 0xa6, got 0xa5"},
      {"an enum key, by its number",
       [](morsel::reader& in) { (void)in.read<std::map<Status, int>>(); },
       hex("A3 00000001 A2 01 A5 00"), "byte 7: map<Status, i32>[1]: expected tag 0xa6, got 0xa5"},
  };
  for (const Case& c : cases) {
    morsel::reader in(c.bytes);
    try {
      c.read(in);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const morsel::decode_error& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
  }
}

// A schema that cannot be read names where and why.
TEST(Schema, RefusedSchemasSayWhereAndWhy) {
  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case& c : {
           Case{"A {x: B}", "line 1, column 7: the type B is used but not defined"},
           Case{"A {x: u8}\nA {y: u8}", "line 2, column 1: the type A is defined twice"},
           Case{"A {x: u8, x: u32}", "line 1, column 11: the member x is named twice"},
           Case{"E = enum u8 {a = 256}",
                "line 1, column 21: the value 256 of a is out of the "
                "range of u8"},
           Case{"E = enum string {a = 1}",
                "line 1, column 10: an enum's type is bool or an integer kind, not string"},
           Case{
               "A {b: B}\nB {a: A}",
               "the type A holds itself but through a vector, a map, a set or an optional: a value "
               "of it would never end"},
           Case{"A {x: map<u8>}", "line 1, column 13: map takes 2 types"},
           Case{"A {x: vector<u8, u8>}", "line 1, column 18: vector takes 1 type"},
           Case{"A {x: u8", "line 1, column 9: expected ',' or '}', got the end of the schema"},
           Case{"A {x: u8]", "line 1, column 9: expected ',' or '}', got ']'"},
           Case{"A {x: u8 y}", "line 1, column 10: expected ',' or '}', got 'y'"},
           Case{"u8 = u32", "line 1, column 1: the name u8 is a kind's"},
           Case{"A {x: array<u8, 4294967296>}",
                "line 1, column 27: an array's count is from 0 to 4294967295"},
           Case{"A {x: array<u8, -1>}",
                "line 1, column 19: an array's count is from 0 to 4294967295"},
       }) {
    try {
      (void)morsel::type_set::parse(c.text);
      ADD_FAILURE() << c.text;
    } catch (const morsel::schema_error& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text;
    }
  }
  morsel::type_set types = morsel::type_set::parse(
      "# a comment\nA {0: u8, x: optional<A>}  B = vector<A>\nE = enum i8 {low = -128}");
  EXPECT_EQ(types.first()->spelled(), "A");
  EXPECT_EQ(types.find("B")->parts.front()->spelled(), "vector<A>");
  EXPECT_EQ(types.find("E")->enumerators.front().second, "low");
  EXPECT_EQ(types.find("C"), nullptr);
  EXPECT_EQ(&types.type_of(" A "), types.first());
  EXPECT_EQ(types.type_of("map<E, vector<B>>").spelled(), "map<E, vector<B>>");
  // Types nested 256 deep are read, in a schema and in an expression; one more is refused.
  const auto nested = [](std::size_t depth) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) {
      text += "vector<";
    }
    text += "u8";
    text.append(depth, '>');
    return text;
  };
  EXPECT_NO_THROW((void)types.type_of("array<u8, 4294967295>"));
  EXPECT_NO_THROW((void)types.type_of(nested(256)));
  EXPECT_THROW((void)types.type_of(nested(257)), morsel::schema_error);
  for (const char* definition : {"D = ", "A {x: "}) {
    const auto text = [definition, &nested](std::size_t depth) {
      std::string whole = definition;  // by appends: GCC 12 at -O3 warns of overlaps in a + b
      whole += nested(depth);
      if (whole.starts_with('A')) {
        whole += '}';
      }
      return whole;
    };
    EXPECT_NO_THROW((void)morsel::type_set::parse(text(256))) << definition;
    EXPECT_THROW((void)morsel::type_set::parse(text(257)), morsel::schema_error) << definition;
  }
  // Qualified names, down to one letter after the "::", at the end of the text too.
  morsel::type_set qualified = morsel::type_set::parse("a::B {x: c::D}\nc::D = u8");
  EXPECT_EQ(qualified.first()->spelled(), "a::B");
  EXPECT_EQ(qualified.first()->member_names.front(), "x");
  EXPECT_EQ(qualified.type_of("c::D").spelled(), "c::D");
  for (const auto& [expression, message] : {
           std::pair{"vector<C>", "line 1, column 8: the schema has no type C"},
           std::pair{"A B", "line 1, column 3: expected the end of the type, got 'B'"},
       }) {
    try {
      (void)types.type_of(expression);
      ADD_FAILURE() << expression;
    } catch (const morsel::schema_error& e) {
      EXPECT_STREQ(e.what(), message) << expression;
    }
  }
}

// What a value does not hold is refused by name, and the writer is left as it was.
TEST(Schema, AValueThatDoesNotFitItsTypeIsRefused) {
  const morsel::type_set types = morsel::type_set::parse(
      "R {n: u8, list: vector<u8>, pair: array<i32, 2>}  M = map<string, u8>  "
      "V = variant<u8, array<u8, 0>>  O = optional<u8>");
  using list = morsel::value::list;
  const auto of = [](auto held) { return morsel::value{std::move(held), 0}; };
  const auto r = [&](morsel::value n, morsel::value pair) {
    return of(list{std::move(n), of(std::vector<unsigned char>{}), std::move(pair)});
  };
  struct Case {
    const char* type;
    morsel::value v;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"R", r(of(std::uint64_t{300}), of(list{})),
       "morsel::writer: R.n: a value of u8 is an integer in its range, not 300"},
      {"R", of(list{of(std::uint64_t{3})}), "morsel::writer: a value of R is 1 part, not 3"},
      {"R", r(of(std::uint64_t{3}), of(list{of(std::int64_t{1})})),
       "morsel::writer: R.pair: a value of array<i32, 2> is 1 element, not 2"},
      {"M",
       of(list{of(std::string("k")), of(std::uint64_t{1}), of(std::string("k")),
               of(std::uint64_t{2})}),
       "morsel::writer: a value of map<string, u8> is a list with a key twice"},
      {"M",
       of(list{of(std::string("a")), of(std::uint64_t{1}), of(std::string("b")),
               of(std::uint64_t{300})}),
       "morsel::writer: M[\"b\"]: a value of u8 is an integer in its range, not 300"},
      {"O", of(list{of(std::uint64_t{1}), of(std::uint64_t{2})}),
       "morsel::writer: a value of optional<u8> is a list of 2 values"},
      {"V", morsel::value{list{of(list{})}, 2},
       "morsel::writer: a value of variant<u8, array<u8, 0>> is no alternative of it"},
      {"V", morsel::value{list{of(std::uint64_t{1}), of(std::uint64_t{2})}, 0},
       "morsel::writer: a value of variant<u8, array<u8, 0>> is no alternative of it"},
  };
  morsel::writer out;
  out.write(1U);
  for (const Case& c : cases) {
    try {
      morsel::write_value(out, *types.find(c.type), c.v);
      ADD_FAILURE() << c.message << ": no error";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(out.size(), 5U) << c.message;
  }
}

// A stream fed in chunks of any size gives the values a reader gives, each once it is whole, and
// says how many bytes the value cut short lacks at least.
TEST(Schema, AStreamReadsValuesOnceWhole) {
  morsel::writer out;
  out.write(sample()).write(Everything{}).write(sample());
  const Bytes bytes(out.bytes().begin(), out.bytes().end());
  const morsel::type& t = *everything_types().first();
  std::vector<morsel::value> expected;
  std::vector<std::size_t> ends;
  for (morsel::reader in(bytes); !in.empty();) {
    expected.push_back(morsel::read_value(in, t));
    ends.push_back(in.offset());
  }
  std::size_t largest = ends.front();
  for (std::size_t i = 1; i < ends.size(); ++i) {
    largest = std::max(largest, ends[i] - ends[i - 1]);
  }
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{300}}) {
    // A limit that holds the largest value and a chunk, never the whole message.
    morsel::stream in(largest + chunk);
    ASSERT_LT(largest + chunk, bytes.size());
    std::vector<morsel::value> got;
    morsel::value v;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
      in.feed(std::span(bytes).subspan(at, std::min(chunk, bytes.size() - at)));
      while (in.read_value(t, v)) {
        got.push_back(v);
      }
      // Never more than the value waited for lacks: it is read the moment it is whole.
      if (!in.empty()) {
        ASSERT_LE(in.offset() + in.remaining().size() + in.needed(), ends[got.size()])
            << "chunk " << chunk << ", at " << at;
      }
    }
    in.finish();
    EXPECT_FALSE(in.read_value(t, v));
    EXPECT_EQ(got, expected) << "chunk " << chunk;
  }
  // Many small values fed at once are each within a small limit.
  const morsel::type_set numbers = morsel::type_set::parse("N = u32");
  morsel::writer eight;
  for (unsigned int i = 0; i < 8; ++i) {
    eight.write(i);
  }
  morsel::stream small(16);
  small.feed(eight.bytes());
  std::size_t count = 0;
  for (morsel::value n; small.read_value(*numbers.first(), n); ++count) {
    EXPECT_EQ(std::get<std::uint64_t>(n.data), count);
  }
  EXPECT_EQ(count, 8U);
  // The start of a long string tells how long the rest is.
  const morsel::type_set strings = morsel::type_set::parse("S = string");
  morsel::writer long_string;
  long_string.write(std::string(1000, 's'));
  morsel::stream in;
  in.feed(long_string.bytes().first(10));
  morsel::value v;
  EXPECT_FALSE(in.read_value(*strings.first(), v));
  EXPECT_GT(in.needed(), 200U);
  in.feed(long_string.bytes().subspan(10));
  in.finish();
  ASSERT_TRUE(in.read_value(*strings.first(), v));
  EXPECT_EQ(std::get<std::string>(v.data), std::string(1000, 's'));
  // A value past the limit is refused, even when all of it came at once.
  morsel::writer thirty;
  thirty.write(std::string(28, 't'));
  morsel::stream limited(16);
  limited.feed(thirty.bytes());
  EXPECT_THROW((void)limited.read_value(*strings.first(), v), morsel::stream_limit_error);
}

}  // namespace
