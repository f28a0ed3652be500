// `morsel decode` of a 100 MiB message of mixed items: writes the message to a scratch file, runs
// the real program on it a few times with its output to /dev/null, and reports the best input
// throughput and the program's peak memory against the input's size.
// Usage: morsel_cli_decode_bench [runs, default 5]   Target: 100 MB/s or more.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <morsel/message.h>

namespace {

constexpr std::size_t kMessageSize = std::size_t{100} << 20;
constexpr double kTargetMBps = 100.0;

// Every kind of item in turn, with values that vary.
std::vector<unsigned char> mixed_message() {
  morsel::writer out(kMessageSize + 4096);
  const std::vector<std::string> names{"ab", "abcd", "station", "a longer name"};
  for (unsigned int i = 0; out.size() < kMessageSize; ++i) {
    const std::string name(5 + i % 20, static_cast<char>('a' + i % 26));
    out.write(i).write(static_cast<double>(i) * 0.25).write(-static_cast<long>(i) * 1000);
    out.write(std::string_view(name)).write(i % 2 == 0).write(static_cast<unsigned char>(i));
    out.write(static_cast<float>(i) / 3).write(static_cast<int>(i) - 500);
    out.write(std::vector<unsigned long>{i, i + 1, i + 2}).write(std::vector<double>{0.5, -1.0});
    out.write(names).write(std::vector<unsigned char>(16, static_cast<unsigned char>(i)));
    out.write(Person{static_cast<unsigned char>(i % 100), 1.75F, ""});
  }
  return out.take();
}

std::string write_scratch(const std::vector<unsigned char>& bytes) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir != nullptr ? dir : "/tmp") + "/morsel-decode-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::perror("scratch file");
    std::exit(1);
  }
  ::close(fd);
  return path;
}

struct Run {
  double seconds;
  long peak_kib;
  int status;
};

Run run_decode(const std::string& path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = MORSEL_CLI_BIN;
  std::string command = "decode";
  std::string file = path;
  char* argv[] = {program.data(), command.data(), file.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
    std::perror(program.c_str());
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  posix_spawn_file_actions_destroy(&actions);
  return {took.count(), usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

}  // namespace

int main(int argc, char* argv[]) {
  const long runs = argc > 1 ? std::max(1L, std::strtol(argv[1], nullptr, 10)) : 5;
  const std::vector<unsigned char> message = mixed_message();
  const std::string path = write_scratch(message);
  std::vector<Run> all;
  all.reserve(static_cast<std::size_t>(runs));
  for (long i = 0; i < runs; ++i) {
    all.push_back(run_decode(path));
  }
  ::unlink(path.c_str());

  std::vector<double> seconds;
  seconds.reserve(all.size());
  long peak = 0;
  for (const Run& r : all) {
    if (r.status != 0) {
      (void)std::fprintf(stderr, "morsel decode exited with status %d\n", r.status);
      return 1;
    }
    seconds.push_back(r.seconds);
    peak = std::max(peak, r.peak_kib);
  }
  std::sort(seconds.begin(), seconds.end());
  const double megabytes = static_cast<double>(message.size()) / 1e6;
  const double best = megabytes / seconds.front();
  const double median = megabytes / seconds[seconds.size() / 2];
  const double input_mib = static_cast<double>(message.size()) / (1 << 20);
  const double peak_mib = static_cast<double>(peak) / 1024;
  std::printf("morsel decode of a %.1f MiB message of mixed items, %ld runs, output to /dev/null\n",
              input_mib, runs);
  std::printf("  best   %.1f MB/s of input (%.3f s)\n", best, seconds.front());
  std::printf("  median %.1f MB/s of input (%.3f s)\n", median, seconds[seconds.size() / 2]);
  std::printf("  peak memory %.1f MiB, %.2fx the input\n", peak_mib, peak_mib / input_mib);
  std::printf("| benchmark | result | target | met |\n| --- | --- | --- | --- |\n");
  std::printf(
      "| cli_decode_100MiB | %.1f MB/s (best), %.1f MB/s (median) | >= %.0f MB/s on the best | %s "
      "|\n",
      best, median, kTargetMBps, best >= kTargetMBps ? "yes" : "NO");
  return 0;
}
