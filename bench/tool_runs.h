// Running the real `morsel` program from a benchmark: spawned with its output to a file, timed,
// and its own peak memory polled while it runs.
#ifndef MORSEL_BENCH_TOOL_RUNS_H
#define MORSEL_BENCH_TOOL_RUNS_H

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace morsel_bench {

struct Run {
  double seconds;
  long peak_kib;
  int status;  // the exit status, or -1 when a signal ended it
};

// `bytes` in a new scratch file (under $TMPDIR or /tmp); its path.
std::string write_scratch(const std::vector<unsigned char>& bytes);

// Waits for `pid`, started at `start`, polling its peak resident memory.
Run wait_measuring(pid_t pid, std::chrono::steady_clock::time_point start);

// The program `morsel` with `args`, its standard output to `out_path`.
Run run_tool(std::vector<std::string> args, const char* out_path);

}  // namespace morsel_bench

#endif  // MORSEL_BENCH_TOOL_RUNS_H
