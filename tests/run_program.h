// Test helper: runs a built program with a controlled environment, arguments and working
// directory, and captures what it wrote and how it ended.
#ifndef MORSEL_TESTS_RUN_PROGRAM_H
#define MORSEL_TESTS_RUN_PROGRAM_H

#include <optional>
#include <string>
#include <vector>

namespace program_test {

enum class Stdout { capture, closed, full_device };

struct Invocation {
  std::string program{};
  std::vector<std::string> args{};
  std::optional<std::string> path{};  // the PATH the child sees; unset when empty
  std::string cwd{};                  // inherited when empty
  Stdout stdout_mode = Stdout::capture;
  std::optional<std::string> input{};  // standard input; inherited when unset
  bool input_through_pipe = false;     // a pipe, not a file, carries `input`
  bool empty_argv = false;             // start the program with argc 0, not even its name
  bool check_heap = false;             // under glibc's checking allocator, where there is one
};

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // the exit status, or 128 + the signal that ended the program
};

Outcome run(const Invocation& invocation);

}  // namespace program_test

#endif  // MORSEL_TESTS_RUN_PROGRAM_H
