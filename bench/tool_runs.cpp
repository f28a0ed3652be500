#include "tool_runs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace morsel_bench {
namespace {

// The program's own peak resident memory (VmHWM), polled until it ends: ru_maxrss would count
// this process's memory too, which the spawned program shares until it starts.
long peak_kib_of(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) {
      return std::strtol(line.c_str() + 6, nullptr, 10);
    }
  }
  return 0;
}

}  // namespace

std::string write_scratch(const std::vector<unsigned char>& bytes) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir != nullptr ? dir : "/tmp") + "/morsel-bench-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::perror("scratch file");
    std::exit(1);
  }
  ::close(fd);
  return path;
}

Run wait_measuring(pid_t pid, std::chrono::steady_clock::time_point start) {
  long peak = 0;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    peak = std::max(peak, peak_kib_of(pid));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {took.count(), peak, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// The real program with `args`, its standard output to `out_path`.
Run run_tool(std::vector<std::string> args, const char* out_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path, O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::string program = MORSEL_CLI_BIN;
  std::vector<char*> argv{program.data()};
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    std::perror(program.c_str());
    std::exit(1);
  }
  const Run run = wait_measuring(pid, start);
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

}  // namespace morsel_bench
