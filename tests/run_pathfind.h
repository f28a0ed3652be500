// Test helper: runs the built pathfind with the given arguments and PATH.
#ifndef MORSEL_TESTS_RUN_PATHFIND_H
#define MORSEL_TESTS_RUN_PATHFIND_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run_program.h"

namespace program_test {

inline Outcome run_pathfind(std::vector<std::string> args, std::optional<std::string> path,
                            Stdout stdout_mode = Stdout::capture, std::string cwd = {}) {
  return run(Invocation{.program = PATHFIND_BIN,
                        .args = std::move(args),
                        .path = std::move(path),
                        .cwd = std::move(cwd),
                        .stdout_mode = stdout_mode,
                        .check_heap = true});
}

}  // namespace program_test

#endif  // MORSEL_TESTS_RUN_PATHFIND_H
