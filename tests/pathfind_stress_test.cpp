// pathfind at the limits of its environment and arguments, and with a broken standard output: it
// never crashes, writes nothing to standard error, and its exit status tells a lost line apart.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "path_scene.h"
#include "run_pathfind.h"
#include "run_program.h"

namespace {

namespace fs = std::filesystem;
using program_test::Invocation;
using program_test::Outcome;
using program_test::PathScene;
using program_test::run_pathfind;
using program_test::Stdout;

// Linux caps one environment string or argument at 32 pages, terminator included.
constexpr std::size_t kMaxArgStrlen = std::size_t{32} * 4096;

class PathfindStress : public testing::Test {
 protected:
  std::string two_entries() const { return scene_.at("first") + ":" + scene_.at("second"); }

  PathScene scene_;
};

TEST_F(PathfindStress, PathAsLongAsTheEnvironmentAllows) {
  // Many short missing entries, one long missing entry to fill up, and the match last.
  const std::string last = scene_.at("second");
  const std::size_t length = kMaxArgStrlen - 1 - std::string_view("PATH=").size();
  std::string path;
  for (int i = 0; path.size() + last.size() + 16 < length; ++i) {
    path.append("/m").append(std::to_string(i)).append(":");
  }
  const std::size_t fill = length - path.size() - last.size() - 2;  // less "/" and ":"
  path.append("/").append(fill, 'p').append(":").append(last);
  ASSERT_EQ(path.size(), length);

  const Outcome outcome = run_pathfind({"prog"}, path);
  EXPECT_EQ(outcome.out, scene_.at("second/prog") + " \n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(PathfindStress, NameAsLongAsAnArgumentAllows) {
  const Outcome outcome = run_pathfind({std::string(kMaxArgStrlen - 1, 'n')}, two_entries());
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(PathfindStress, TensOfThousandsOfNames) {
  const std::vector<std::string> names(20000, "prog");
  std::vector<std::string> args{"-a"};
  args.insert(args.end(), names.begin(), names.end());
  const Outcome outcome = run_pathfind(args, two_entries());
  std::string one_name = scene_.at("first/prog") + " \n" + scene_.at("second/prog") + " \n";
  EXPECT_EQ(outcome.out.size(), one_name.size() * names.size());
  EXPECT_EQ(outcome.out.substr(0, one_name.size()), one_name);
  EXPECT_EQ(outcome.status, 0);
}

// Under any limit on its address space pathfind either does not start, or searches: an entry
// whose candidate cannot be had is skipped (its match is not shown, nor the one before it again),
// and a search that could not allocate at all finds nothing. It never crashes. The limits step
// through the few hundred KiB where it starts but cannot have the candidate of a 70,000-byte
// entry.
TEST_F(PathfindStress, NeverCrashesWhenMemoryRunsOut) {
#ifdef MORSEL_SANITIZED
  GTEST_SKIP() << "the sanitizers need more address space than the limits leave";
#endif
  std::string long_entry = "/";
  long_entry.append(70000, 'd');
  const std::string second = scene_.at("second");
  const std::string found = scene_.at("second/prog") + " \n";
  struct Search {
    std::vector<std::string> args;
    std::string path;
  };
  const Search searches[] = {{{"prog"}, long_entry + ":" + second},
                             {{"-a", "prog"}, second + ":" + long_entry}};
  bool searched_without_memory = false;
  for (int kib = 1024; kib <= 8192; kib += 16) {
    for (const Search& search : searches) {
      std::vector<std::string> args{
          "-c", "ulimit -v " + std::to_string(kib) + " && exec \"$0\" \"$@\"", PATHFIND_BIN};
      args.insert(args.end(), search.args.begin(), search.args.end());
      const Outcome outcome =
          program_test::run(Invocation{.program = "/bin/sh", .args = args, .path = search.path});
      const bool started = outcome.status != 127;
      EXPECT_TRUE(!started || (outcome.status == 0 && outcome.out == found) ||
                  (outcome.status == 1 && outcome.out.empty()))
          << kib << " KiB, " << search.args.size() << " arguments: status " << outcome.status
          << ", " << outcome.out;
      searched_without_memory = searched_without_memory || (started && outcome.status == 1);
    }
  }
  EXPECT_TRUE(searched_without_memory) << "no limit let it start and left it short of memory";
}

// Whether a directory without permissions can be searched depends on who asks (root may); the
// program must agree with the system's answer for the same user.
TEST_F(PathfindStress, UnreadableDirectory) {
  fs::create_directory(scene_.root() / "locked");
  scene_.add_file("locked/prog", fs::perms::owner_all);
  fs::permissions(scene_.root() / "locked", fs::perms::none);
  const bool reachable = ::access(scene_.at("locked/prog").c_str(), X_OK) == 0;

  const Outcome outcome =
      run_pathfind({"-a", "prog"}, scene_.at("locked") + ":" + scene_.at("second"));
  fs::permissions(scene_.root() / "locked", fs::perms::owner_all);
  const std::string second = scene_.at("second/prog") + " \n";
  EXPECT_EQ(outcome.out, reachable ? scene_.at("locked/prog") + " \n" + second : second);
  EXPECT_EQ(outcome.status, 0);
}

TEST_F(PathfindStress, SymbolicLinkLoops) {
  fs::create_symlink("self", scene_.root() / "links" / "self");
  fs::create_symlink("pong", scene_.root() / "links" / "ping");
  fs::create_symlink("ping", scene_.root() / "links" / "pong");
  const std::string links = scene_.at("links");

  Outcome outcome = run_pathfind({"-a", "self"}, links);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.status, 1);
  outcome = run_pathfind({"-a", "ping"}, links);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.status, 1);
  // A looping entry is skipped like a missing one.
  outcome = run_pathfind({"prog"}, scene_.at("links/self") + ":" + scene_.at("second"));
  EXPECT_EQ(outcome.out, scene_.at("second/prog") + " \n");
  EXPECT_EQ(outcome.status, 0);
}

struct BrokenOutput {
  Stdout mode;
  std::vector<std::string> args;
  int status;
};

// A line that could not be written makes the status 2, whatever the search found; a run that had
// nothing to write keeps its status.
TEST_F(PathfindStress, StandardOutputClosedOrFull) {
  // 65 lines of 64 bytes: the write of the first 4,096 (a page, the full device's buffer) fails
  // when the 65th comes, and the last flush then has nothing left to write and succeeds.
  const std::string line_name = std::string(57 - scene_.at("first").size(), '/') + "prog";
  const std::vector<std::string> sixty_five_lines(65, line_name);
  ASSERT_EQ(scene_.at("first").size() + 1 + line_name.size() + 2, 64U);
  for (const auto& [mode, args, status] : std::vector<BrokenOutput>{
           {Stdout::full_device, sixty_five_lines, 2},
           {Stdout::closed, {"-a", "prog"}, 2},
           {Stdout::closed, {"prog", "missing"}, 2},
           {Stdout::closed, {"missing"}, 1},
           {Stdout::closed, {"prog", "-x"}, 2},
           {Stdout::full_device, {"-a", "prog", "prog"}, 2},
           {Stdout::full_device, {"missing"}, 1},
           {Stdout::full_device, {"-"}, 2},
       }) {
    const Outcome outcome = run_pathfind(args, two_entries(), mode);
    EXPECT_EQ(outcome.err, "") << args[0];
    EXPECT_EQ(outcome.status, status) << args[0];
  }
}

TEST_F(PathfindStress, StartedWithoutEvenItsName) {
  const Outcome outcome = program_test::run(
      Invocation{.program = PATHFIND_BIN, .path = two_entries(), .empty_argv = true});
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 0);
}

}  // namespace
