// pathfind through its real command line: arguments, PATH and the exact bytes it prints.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "path_scene.h"
#include "run_pathfind.h"
#include "run_program.h"

namespace {

using program_test::Outcome;
using program_test::PathScene;
using program_test::run_pathfind;

// In PATH values and expected output, "@" stands for the scene's root folder.
std::string expand(const std::string& text, const std::string& root) {
  std::string out;
  for (const char c : text) {
    out += c == '@' ? root : std::string(1, c);
  }
  return out;
}

struct Case {
  const char* what;
  std::vector<std::string> args;
  std::optional<std::string> path;
  std::string out;
  int status;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.what;
}

class Pathfind : public testing::TestWithParam<Case> {
 protected:
  PathScene scene_;
};

TEST_P(Pathfind, PrintsMatchesAndExitsWithTheLastNamesStatus) {
  const Case& c = GetParam();
  const std::string root = scene_.root().string();
  std::optional<std::string> path;
  if (c.path) {
    path = expand(*c.path, root);
  }
  const Outcome outcome = run_pathfind(c.args, path);
  EXPECT_EQ(outcome.out, expand(c.out, root));
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, c.status);
}

constexpr const char* kTwo = "@/first:@/second";

INSTANTIATE_TEST_SUITE_P(
    OptionsAndStatuses, Pathfind,
    testing::Values(
        Case{"no arguments", {}, kTwo, "", 0}, Case{"only -a", {"-a"}, kTwo, "", 0},
        Case{"first match only", {"prog"}, kTwo, "@/first/prog \n", 0},
        Case{"every match", {"-a", "prog"}, kTwo, "@/first/prog \n@/second/prog \n", 0},
        Case{"missing then found", {"missing", "prog"}, kTwo, "@/first/prog \n", 0},
        Case{"found then missing", {"prog", "missing"}, kTwo, "@/first/prog \n", 1},
        Case{"found then invalid flag",
             {"prog", "-x", "prog"},
             kTwo,
             "@/first/prog \nInvalid flag \n",
             2},
        Case{"single dash", {"-"}, kTwo, "Invalid flag \n", 2},
        Case{"double dash", {"--"}, kTwo, "Invalid flag \n", 2},
        Case{"-a with more letters", {"-ab", "prog"}, kTwo, "Invalid flag \n", 2},
        Case{"two -a like one", {"-a", "-a", "prog"}, kTwo, "@/first/prog \n@/second/prog \n", 0},
        Case{"-a after the last name", {"prog", "-a"}, kTwo, "@/first/prog \n", 0},
        Case{"-a affects later names only",
             {"prog", "-a", "prog"},
             kTwo,
             "@/first/prog \n@/first/prog \n@/second/prog \n",
             0}));

INSTANTIATE_TEST_SUITE_P(
    PathShapes, Pathfind,
    testing::Values(
        Case{"PATH unset", {"-a", "prog"}, std::nullopt, "", 1},
        Case{"PATH empty", {"-a", "prog"}, "", "", 1},
        Case{"PATH of one colon", {"-a", "prog"}, ":", "", 1},
        Case{"PATH of colons", {"-a", "prog"}, ":::", "", 1},
        Case{"empty entries skipped",
             {"-a", "prog"},
             ":@/first::@/second:",
             "@/first/prog \n@/second/prog \n",
             0},
        Case{"trailing slash kept", {"prog"}, "@/first/", "@/first//prog \n", 0},
        Case{"duplicate entry",
             {"-a", "prog"},
             "@/first:@/first",
             "@/first/prog \n@/first/prog \n",
             0},
        Case{"missing directory", {"prog"}, "@/nowhere:@/second", "@/second/prog \n", 0},
        Case{"name with a slash joined unchanged", {"first/prog"}, "@", "@/first/prog \n", 0},
        Case{"dot-slash name joined too", {"./prog"}, "@/first", "@/first/./prog \n", 0},
        Case{"second name searches the whole PATH",
             {"prog", "-a", "tool"},
             kTwo,
             "@/first/prog \n@/second/tool \n",
             0}));

// Only regular files that pass the execute check match; symbolic links are followed.
INSTANTIATE_TEST_SUITE_P(
    DirectoryRule, Pathfind,
    testing::Values(
        Case{"directory named like the command", {"-a", "tool"}, kTwo, "@/second/tool \n", 0},
        Case{"empty name finds nothing", {"-a", ""}, kTwo, "", 1},
        Case{"empty name over the root", {""}, "@", "", 1},
        Case{"not executable", {"-a", "data"}, kTwo, "@/second/data \n", 0},
        Case{"link to a program", {"prog_link"}, "@/links", "@/links/prog_link \n", 0},
        Case{"link to a directory", {"dir_link"}, "@/links", "", 1}));

TEST_F(Pathfind, RelativeEntriesAreUsedAsTheyStand) {
  const Outcome outcome = run_pathfind({"-a", "prog"}, "first:./second",
                                       program_test::Stdout::capture, scene_.root().string());
  EXPECT_EQ(outcome.out, "first/prog \n./second/prog \n");
  EXPECT_EQ(outcome.status, 0);
}

// An empty entry is skipped, not taken for the root: a name that is a path below the root is
// found through the entry "/" and not through an empty one.
TEST_F(Pathfind, AnEmptyEntryIsNotTheRoot) {
  const std::string below_root = scene_.at("first/prog").substr(1);
  const Outcome over_root = run_pathfind({below_root}, "/");
  std::string found = "//";
  found.append(below_root).append(" \n");
  EXPECT_EQ(over_root.out, found);
  EXPECT_EQ(over_root.status, 0);
  for (const char* path : {"", ":", "::"}) {
    const Outcome outcome = run_pathfind({below_root}, std::string(path));
    EXPECT_EQ(outcome.out, "") << "PATH=" << path;
    EXPECT_EQ(outcome.status, 1) << "PATH=" << path;
  }
}

TEST_F(Pathfind, ThousandsOfEntriesBeforeTheMatch) {
  std::string path;
  for (int i = 0; i < 5000; ++i) {
    path += "/m" + std::to_string(i) + ":";
  }
  path += scene_.at("first");
  const Outcome outcome = run_pathfind({"prog"}, path);
  EXPECT_EQ(outcome.out, scene_.at("first/prog") + " \n");
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(Pathfind, EveryMatchOfAThousandfoldEntry) {
  const std::string first = scene_.at("first");
  std::string path = first;
  for (int i = 1; i < 3000; ++i) {
    path += ':';
    path += first;
  }
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    expected += scene_.at("first/prog") + " \n";
  }
  const Outcome outcome = run_pathfind({"-a", "prog"}, path);
  EXPECT_EQ(outcome.out, expected);
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(Pathfind, LongEntriesAndLongNames) {
  std::string long_entry = "/";  // appended: GCC 12 at -O3 warns of an overlap in "/" + s
  long_entry.append(20000, 'd');
  Outcome outcome = run_pathfind({"prog"}, long_entry + ":" + scene_.at("second"));
  EXPECT_EQ(outcome.out, scene_.at("second/prog") + " \n");
  EXPECT_EQ(outcome.status, 0);

  outcome = run_pathfind({std::string(50000, 'n')}, long_entry + ":" + scene_.at("first"));
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 1);

  // A long name that is found: its length counts in the candidate's.
  std::string dotted;
  for (int i = 0; i < 200; ++i) {
    dotted += "./";
  }
  outcome = run_pathfind({dotted + "prog"}, scene_.at("second"));
  std::string found = scene_.at("second");
  found.append("/").append(dotted).append("prog \n");
  EXPECT_EQ(outcome.out, found);
  EXPECT_EQ(outcome.status, 0);

  // An entry of one character is an entry like any other.
  outcome = run_pathfind({"bin/sh"}, "/");
  EXPECT_EQ(outcome.out, "//bin/sh \n");
  EXPECT_EQ(outcome.status, 0);

  // Candidates that fill the buffer's first sizes exactly, and one byte longer, which it must
  // grow for: the sanitizers and the checking allocator see a byte written past it.
  for (const std::size_t whole : {256U, 257U, 512U, 513U}) {
    std::string filling = "/";
    filling.append(whole - 1 - 1 - 4 - 1, 'f');  // then "/prog" and NUL
    outcome = run_pathfind({"prog"}, filling + ":" + scene_.at("second"));
    EXPECT_EQ(outcome.out, scene_.at("second/prog") + " \n") << whole;
    EXPECT_EQ(outcome.status, 0) << whole;
  }

  // A long entry after a short one: the buffer made for the first grows for the second.
  std::string second_again = scene_.at("second");
  for (int i = 0; i < 1000; ++i) {
    second_again += "/.";
  }
  outcome = run_pathfind({"prog"}, "/x:" + second_again);
  EXPECT_EQ(outcome.out, second_again + "/prog \n");
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(Pathfind, ManyNamesInOneRun) {
  std::vector<std::string> names;
  std::string expected;
  for (int i = 0; i < 2000; ++i) {
    names.emplace_back(i % 2 == 0 ? "missing" : "prog");
    if (i % 2 == 1) {
      expected += scene_.at("first/prog") + " \n";
    }
  }
  const std::string path = expand(kTwo, scene_.root().string());
  Outcome outcome = run_pathfind(names, path);
  EXPECT_EQ(outcome.out, expected);
  EXPECT_EQ(outcome.status, 0);

  names.emplace_back("missing");
  outcome = run_pathfind(names, path);
  EXPECT_EQ(outcome.out, expected);
  EXPECT_EQ(outcome.status, 1);
}

}  // namespace
