// The morsel tool reading and writing values by a schema, through its real command line: every
// convention as the notation and JSON spell it, the program's own bytes back through jq, values
// shown as a pipe brings them, and errors by offset and path.
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>
#include <morsel/schema.h>

#include "hex.h"
#include "run_program.h"

namespace shop {
enum class Mood : unsigned char { calm, angry };
struct Reading {
  unsigned int id;
  double value;
};
// Every convention: records, enums, optionals (nested too), maps by string and other keys,
// tuples, variants, std::array, vectors of records and of items, long values, Person and i64.
struct Sample {
  Mood mood;
  std::optional<std::optional<int>> twice;
  std::map<std::string, Reading> by_name;
  std::map<int, std::string> by_id;
  std::tuple<signed char, float> pair;
  std::variant<Reading, std::string> either;
  std::array<unsigned long, 2> wide;
  std::vector<unsigned char> blob;
  std::string text;
  Person who;
  std::vector<Reading> list;
  long big;
};
}  // namespace shop

namespace {

using morsel_test::Bytes;
using morsel_test::repeated;
using program_test::Invocation;
using program_test::Outcome;
using shop::Mood;
using shop::Reading;
using shop::Sample;

std::string text_of(std::span<const unsigned char> bytes) {
  return {bytes.begin(), bytes.end()};
}

// A scratch directory holding the schema of Sample, written by the library.
class SchemaTool : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "morsel-schema-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    schema_ = dir_ + "/sample.schema";
    std::ofstream(schema_) << morsel::schema<Sample>();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  static Outcome tool(std::vector<std::string> args, const std::string& input) {
    return program_test::run(
        Invocation{.program = MORSEL_CLI_BIN, .args = std::move(args), .input = input});
  }
  // `command` in a shell whose PATH finds jq, with the tool as "$MORSEL".
  static Outcome shell(const std::string& command, const std::string& input = "") {
    return program_test::run(Invocation{.program = "/bin/sh",
                                        .args = {"-c", "MORSEL=" MORSEL_CLI_BIN "; " + command},
                                        .path = "/usr/local/bin:/usr/bin:/bin",
                                        .input = input});
  }

  std::string dir_;
  std::string schema_;
};

Sample full() {
  Sample s{};
  s.mood = Mood::angry;
  s.twice = std::optional<int>{};
  s.by_name = {{"a", {1, 0.5}}, {"\xff", {2, -0.0}}};
  s.by_id = {{-1, "minus"}, {7, "seven"}};
  s.pair = {-5, 1.5F};
  s.either = std::string("alt");
  s.wide = {1UL << 60, 2};
  s.blob = {0, 255};
  s.text = std::string(300, 't');
  s.who = Person{30, 1.75F, ""};
  s.list = {{3, 1e300}};
  s.big = -(1L << 62);
  return s;
}

TEST_F(SchemaTool, EveryConventionInTheNotationAndInJson) {
  Sample small{};
  small.mood = static_cast<Mood>(9);  // a value with no name
  small.twice = std::optional<int>{4};
  small.by_name = {{"k", {1, 2.5}}};
  small.either = Reading{5, 0.25};
  morsel::writer out;
  out.write(small);
  const Outcome notation = tool({"decode", "--schema", schema_}, text_of(out.bytes()));
  EXPECT_EQ(notation.err, "");
  EXPECT_EQ(notation.out,
            "0: shop::Sample {mood: 9, twice: [4], by_name: {\"k\": shop::Reading {id: 1, value: "
            "2.5}}, by_id: {}, pair: (0, 0), either: shop::Reading {id: 5, value: 0.25}, wide: "
            "[0, 0], blob: [], text: \"\", who: {age: 0, height: 0}, list: [], big: 0}\n");
  const Outcome json = tool({"decode", "--schema", schema_, "--json"}, text_of(out.bytes()));
  EXPECT_EQ(json.out,
            "{\"offset\":0,\"type\":\"shop::Sample\",\"value\":{\"mood\":9,\"twice\":[4],"
            "\"by_name\":{\"k\":{\"id\":1,\"value\":2.5}},\"by_id\":[],\"pair\":[0,0],\"either\":"
            "{\"type\":\"shop::Reading\",\"value\":{\"id\":5,\"value\":0.25}},\"wide\":[0,0],"
            "\"blob\":[],\"text\":\"\",\"who\":{\"age\":0,\"height\":0},\"list\":[],\"big\":0}}\n");

  morsel::writer second;
  second.write(full());
  EXPECT_EQ(tool({"decode", "--schema", schema_}, text_of(second.bytes())).out,
            "0: shop::Sample {mood: angry, twice: [none], by_name: {\"a\": shop::Reading {id: 1, "
            "value: 0.5}, \"\\xff\": shop::Reading {id: 2, value: -0}}, by_id: {-1: \"minus\", 7: "
            "\"seven\"}, pair: (-5, 1.5), either: string \"alt\", wide: [1152921504606846976, 2], "
            "blob: [0, 255], text: \"" +
                std::string(300, 't') +
                "\", who: {age: 30, height: 1.75}, list: [shop::Reading {id: 3, value: 1e+300}], "
                "big: -4611686018427387904}\n");
  const Outcome full_json =
      tool({"decode", "--schema", schema_, "--json"}, text_of(second.bytes()));
  EXPECT_EQ(
      full_json.out,
      "{\"offset\":0,\"type\":\"shop::Sample\",\"value\":{\"mood\":\"angry\",\"twice\":[null],"
      "\"by_name\":[[\"a\",{\"id\":1,\"value\":0.5}],[{\"hex\":\"ff\"},{\"id\":2,\"value\":"
      "\"-0\"}]],\"by_id\":[[-1,\"minus\"],[7,\"seven\"]],\"pair\":[-5,1.5],\"either\":{"
      "\"type\":\"string\",\"value\":\"alt\"},\"wide\":[\"1152921504606846976\",2],\"blob\":[0,"
      "255],\"text\":\"" +
          std::string(300, 't') +
          "\",\"who\":{\"age\":30,\"height\":1.75},\"list\":[{\"id\":3,\"value\":1e+300}],"
          "\"big\":\"-4611686018427387904\"}}\n");
}

// What decode --json prints, reprinted by jq, encodes back to the program's own bytes; so does
// JSON written by hand, members in any order.
TEST_F(SchemaTool, ThroughJqTheBytesComeBackBitForBit) {
  morsel::writer out;
  out.write(full()).write(Sample{}).write(full());
  const std::string bytes = text_of(out.bytes());
  const Outcome through_jq =
      shell("$MORSEL decode --schema " + schema_ + " --json | jq -c . | $MORSEL encode --schema " +
                schema_ + " --json",
            bytes);
  EXPECT_EQ(through_jq.err, "");
  EXPECT_EQ(through_jq.out, bytes);

  morsel::writer one;
  Sample by_hand{};
  by_hand.mood = Mood::angry;
  by_hand.by_name = {{"x", {1, 2}}};
  by_hand.either = Reading{3, 4};
  one.write(by_hand);
  const Outcome encoded = tool(
      {"encode", "--schema", schema_, "--json"},
      "{\"value\":{\"big\":0,\"list\":[],\"who\":{\"height\":0,\"age\":0},\"text\":\"\",\"blob\":"
      "[],\"wide\":[0,0],\"either\":{\"type\":\"shop::Reading\",\"value\":{\"value\":4,\"id\":3}},"
      "\"pair\":[0,0],\"by_id\":[],\"by_name\":{\"x\":{\"id\":1,\"value\":2}},\"twice\":[],"
      "\"mood\":\"angry\"}}");
  EXPECT_EQ(encoded.err, "");
  EXPECT_EQ(encoded.out, text_of(one.bytes()));
}

// A program's event log, written by the example program: filtered with jq by name, and back
// through jq bit for bit.
TEST_F(SchemaTool, TheEventLogThroughJq) {
#ifndef MORSEL_EVENT_LOG_BIN
  GTEST_SKIP() << "the examples are not built";
#else
  const Outcome written =
      program_test::run(Invocation{.program = MORSEL_EVENT_LOG_BIN, .args = {dir_, "40"}});
  ASSERT_EQ(written.status, 0) << written.err;
  const std::string schema = dir_ + "/event.schema";
  const std::string log = dir_ + "/events.bin";
  const Outcome errors = shell(
      "$MORSEL decode --schema " + schema + " --json " + log +
      " | jq -c 'select(.value.level == \"error\") | [.value.message, .value.code]' | head -2");
  EXPECT_EQ(errors.out, "[\"request 3 failed: timeout: " + std::string(400, 'x') +
                            "\",503]\n[\"request 7 failed: timeout\",503]\n");
  const Outcome back = shell("$MORSEL decode --schema " + schema + " --json " + log +
                             " | jq -c . | $MORSEL encode --schema " + schema + " --json | cmp - " +
                             log + " && echo same");
  EXPECT_EQ(back.out, "same\n");
  EXPECT_EQ(back.err, "");
#endif
}

// Each value read through a pipe is the value read from a file, and dump shows each member's
// bytes beside its path; a value that does not read stops the walk after those before it.
TEST_F(SchemaTool, APipeAndAFileShowTheSameAndStopAtABadValue) {
  morsel::writer out;
  out.write(Reading{1, 0.5}).write(Reading{2, 1.5});
  std::string bytes = text_of(out.bytes());
  bytes[5 + 9] = '\xa6';  // the second's id has a wrong tag
  for (const char* command : {"decode", "dump"}) {
    const std::vector<std::string> args = {command, "--schema", schema_, "--type", "shop::Reading"};
    const Outcome from_file = tool(args, bytes);
    const Outcome from_pipe = program_test::run(Invocation{
        .program = MORSEL_CLI_BIN, .args = args, .input = bytes, .input_through_pipe = true});
    EXPECT_EQ(from_pipe.out, from_file.out) << command;
    EXPECT_EQ(from_pipe.err, from_file.err) << command;
    EXPECT_EQ(from_file.status, 1) << command;
    EXPECT_EQ(from_file.err, "morsel: byte 14: shop::Reading.id: expected tag 0xa3, got 0xa6\n");
  }
  EXPECT_EQ(tool({"decode", "--schema", schema_, "--type", "shop::Reading"}, bytes).out,
            "0: shop::Reading {id: 1, value: 0.5}\n");
  EXPECT_EQ(
      tool({"dump", "--schema", schema_, "--type", "shop::Reading"}, bytes).out,
      "         0  a3 00 00 00 01                                   shop::Reading.id: 1\n"
      "         5  a9 3f e0 00 00 00 00 00 00                       shop::Reading.value: 0.5\n"
      "        14  a6 00 00 00 02 a9 3f f8 00 00 00 00 00 00        error: byte 14: "
      "shop::Reading.id: expected tag 0xa3, got 0xa6\n"
      "            ^^\n");
}

// Enumerators by name over each underlying kind, signed ones below zero; --hex prints the bytes.
TEST_F(SchemaTool, EnumeratorsByNameOverEveryUnderlyingKind) {
  const std::string schema = dir_ + "/enums.schema";
  std::ofstream(schema) << "Flags {a: Dir, b: Tiny, c: Flag, d: Big, e: Small}\n"
                           "Dir = enum i32 {west = -1, east = 1}\n"
                           "Tiny = enum i8 {low = -128, high = 127}\n"
                           "Flag = enum bool {no = 0, yes = 1}\n"
                           "Big = enum i64 {least = -9223372036854775808}\n"
                           "Small = enum u8 {top = 255}\n";
  const Outcome encoded =
      tool({"encode", "--schema", schema, "--json", "--hex"},
           "{\"value\":{\"a\":\"west\",\"b\":\"low\",\"c\":\"yes\",\"d\":\"least\","
           "\"e\":\"top\"}}");
  EXPECT_EQ(encoded.err, "");
  EXPECT_EQ(encoded.out, "[ a6 ff ff ff ff a5 80 a0 a4 80 0 0 0 0 0 0 0 a2 ff ]\n");
  EXPECT_EQ(tool({"decode", "--schema", schema, "--hex"}, encoded.out).out,
            "0: Flags {a: west, b: low, c: yes, d: least, e: top}\n");
}

// A map value's path names its key where the key prints as a number or a string.
TEST_F(SchemaTool, MapValuesAreNamedByTheirKeys) {
  const std::string schema = dir_ + "/keys.schema";
  std::ofstream(schema)
      << "A = map<E, u8>\nB = map<F, u8>\nC = map<string, u8>\n"
         "D = map<i32, u8>\nE = enum u8 {a = 1}\nF = enum bool {no = 0, yes = 1}\n";
  for (const auto& [type, bytes, err] : {
           std::tuple{"A", "a3 00000001 a2 01 a3 00", "byte 7: A[1]"},
           std::tuple{"B", "a3 00000001 a0 a3 00", "byte 6: B[value 0]"},
           std::tuple{"C", "a3 00000001 ab 01 68 a3 00", "byte 8: C[\"h\"]"},
           std::tuple{"D", "a3 00000001 a6 ffffffff a3 00", "byte 10: D[-1]"},
       }) {
    EXPECT_EQ(tool({"decode", "--schema", schema, "--type", type, "--hex"}, bytes).err,
              std::string("morsel: ") + err + ": expected tag 0xa2, got 0xa3\n");
  }
}

// dump by schema: a row for each part, a tuple's by position and a record's by name.
TEST_F(SchemaTool, DumpNamesEveryPart) {
  const std::string schema = dir_ + "/tuple.schema";
  std::ofstream(schema) << "T {p: tuple<u8, string>, q: vector<u8>}\n";
  EXPECT_EQ(tool({"dump", "--schema", schema, "--hex"}, "a2 07 ab 02 68 69 ac 01 a2 01").out,
            "         0  a2 07                                            T.p[0]: 7\n"
            "         2  ab 02 68 69                                      T.p[1]: \"hi\"\n"
            "         6  ac 01 a2 01                                      T.q: [1]\n");
  // A value's meaning is cut at 100 characters, the last three of them "...".
  const std::string sixty_ones = repeated(" 01", 60);
  const std::string shown = "T.q: [" + repeated("1, ", 30);
  const std::string rows =
      tool({"dump", "--schema", schema, "--hex"}, "a2 07 ab 02 68 69 ac 3c a2" + sixty_ones).out;
  EXPECT_EQ(rows.substr(rows.find("\n         6 ")),
            "\n         6  ac 3c a2 01 01 01 01 01 01 01 01 01 01 01 01 01  " + shown +
                "1...\n"
                "        22  01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01\n"
                "        38  01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01\n"
                "        54  01 01 01 01 01 01 01 01 01 01 01 01 01 01 01\n");
  // A meaning of exactly 100 characters is shown whole.
  const std::string ninety(90, 'x');
  EXPECT_NE(
      tool({"dump", "--schema", schema, "--hex"}, "a2 07 ab 5a" + repeated(" 78", 90) + " ac 00 a2")
          .out.find("T.p[1]: \"" + ninety + "\"\n"),
      std::string::npos);
  // A value of no bytes has a row of its own, with no bytes.
  const std::string empty = dir_ + "/empty.schema";
  std::ofstream(empty) << "Z {a: u8, e: array<E, 2>, b: u8}\nE {}\n";
  EXPECT_EQ(tool({"dump", "--schema", empty, "--hex"}, "a2 05 a2 06").out,
            "         0  a2 05                                            Z.a: 5\n"
            "         2                                                   Z.e: [E {}, E {}]\n"
            "         2  a2 06                                            Z.b: 6\n");
}

// JSON that is not a value of the type: the line and column, the path and what was expected;
// nothing is written.
TEST_F(SchemaTool, JsonThatIsNotAValueSaysWhereAndWhy) {
  struct Case {
    std::string json;
    std::string err;
  };
  const std::string reading = "{\"type\":\"shop::Reading\",\"value\":";
  for (const Case& c : {
           Case{reading + "{\"id\":1}}", "value: the member \"value\" of shop::Reading is missing"},
           Case{reading + "{\"id\":1,\"value\":2,\"at\":3}}",
                "value: shop::Reading has no member \"at\""},
           Case{reading + "{\"id\":-1,\"value\":2}}",
                "value.id: expected an integer from 0 to 4294967295, got the number -1"},
           Case{"{\"type\":\"shop::Mood\",\"value\":\"sad\"}",
                "value: expected a number or one of \"calm\", \"angry\", got a string"},
           Case{"{\"type\":\"Other\",\"value\":1}",
                "the value is read as shop::Reading, not Other"},
       }) {
    const std::string type =
        c.json.find("Mood") != std::string::npos ? "shop::Mood" : "shop::Reading";
    const Outcome outcome =
        tool({"encode", "--schema", schema_, "--type", type, "--json"}, "\n" + c.json);
    EXPECT_EQ(outcome.err, "morsel: line 2, column 1: " + c.err + "\n") << c.json;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.status, 1);
  }
  const Outcome twice = tool({"encode", "--schema", schema_, "--type", "map<string, u8>", "--json"},
                             "{\"value\":{\"k\":1,\"k\":2}}");
  EXPECT_EQ(twice.err,
            "morsel: line 1, column 1: morsel::writer: a value of map<string, u8> is a list with a "
            "key twice\n");
}

TEST_F(SchemaTool, CommandLinesThatCannotWork) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;  // its first line
  };
  const std::string bad = dir_ + "/bad.schema";
  std::ofstream(bad) << "A {x: B}";
  for (const Case& c : {
           Case{{"decode", "--type", "u8"}, 2, "morsel: --type names a type of the --schema"},
           Case{{"decode", "--schema"}, 2, "morsel: option '--schema' needs a value"},
           Case{{"decode", "--schema="}, 2, "morsel: option '--schema' needs a value"},
           Case{{"decode", "--item", "--schema", schema_},
                2,
                "morsel: --schema reads a message of values, not one item (--item)"},
           Case{{"encode", "--schema", schema_},
                2,
                "morsel: encode --schema reads JSON Lines: add --json"},
           Case{{"decode", "--schema", bad},
                1,
                "morsel: " + bad + ": line 1, column 7: the type B is used but not defined"},
           Case{{"decode", "--schema=" + schema_, "--type=Nope"},
                1,
                "morsel: " + schema_ +
                    ": --type Nope: line 1, column 1: the schema has no type Nope"},
       }) {
    const Outcome outcome = tool(c.args, "");
    EXPECT_EQ(outcome.status, c.status) << c.err;
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n')), c.err);
  }
}

}  // namespace
