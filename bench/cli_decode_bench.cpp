// `morsel decode` of a 100 MiB message of mixed items: writes the message to a scratch file, runs
// the real program on it a few times with its output to /dev/null, and reports the best input
// throughput and the program's peak memory against the input's size; then feeds ten copies of it,
// 1 GiB, through a pipe, and reports the throughput and peak memory of the stream path.
// Usage: morsel_cli_decode_bench [runs, default 5]   Target: 100 MB/s or more.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

#include <morsel/message.h>

#include "tool_runs.h"

namespace {

using morsel_bench::Run;
using morsel_bench::run_tool;
using morsel_bench::wait_measuring;
using morsel_bench::write_scratch;

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

// `morsel decode` of standard input that is a pipe, fed `copies` times the message (a message
// too, as messages concatenate): the stream path, whose memory is bounded by the largest item.
Run run_decode_pipe(const std::vector<unsigned char>& message, int copies) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = MORSEL_CLI_BIN;
  std::string command = "decode";
  char* argv[] = {program.data(), command.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
    std::perror(program.c_str());
    std::exit(1);
  }
  ::close(pipe_fds[0]);
  std::thread feeder([&] {
    for (int i = 0; i < copies; ++i) {
      for (std::size_t done = 0; done < message.size();) {
        const ssize_t n = ::write(pipe_fds[1], message.data() + done, message.size() - done);
        if (n <= 0) {
          std::perror("write to morsel decode");
          std::exit(1);
        }
        done += static_cast<std::size_t>(n);
      }
    }
    ::close(pipe_fds[1]);
  });
  const Run run = wait_measuring(pid, start);
  feeder.join();
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

Run run_decode(const std::string& path) {
  return run_tool({"decode", path}, "/dev/null");
}

// Appends the file's own bytes to it, once.
void double_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ofstream out(path, std::ios::binary | std::ios::app);
  const std::streamoff size = in.seekg(0, std::ios::end).tellg();
  in.seekg(0);
  std::vector<char> block(std::size_t{1} << 20);
  for (std::streamoff left = size; left > 0;) {
    const auto n = static_cast<std::streamsize>(
        std::min<std::streamoff>(left, static_cast<std::streamoff>(block.size())));
    in.read(block.data(), n);
    out.write(block.data(), n);
    left -= n;
  }
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
  // JSON both ways: decode --json of the message, then encode --json of what it printed.
  const Run json_decode = run_tool({"decode", "--json", path}, "/dev/null");
  const std::string json_path = path + ".json";
  const Run json_written = run_tool({"decode", "--json", path}, json_path.c_str());
  struct stat json_status {};
  ::stat(json_path.c_str(), &json_status);
  const double printed_mb = static_cast<double>(json_status.st_size) / 1e6;
  double_file(json_path);  // two copies: 1 GiB of JSON Lines, encoded in bounded memory
  ::stat(json_path.c_str(), &json_status);
  const Run json_encode = run_tool({"encode", "--json", json_path}, "/dev/null");
  ::unlink(json_path.c_str());
  ::unlink(path.c_str());
  if (json_decode.status != 0 || json_written.status != 0 || json_encode.status != 0) {
    (void)std::fprintf(stderr, "morsel decode or encode --json failed\n");
    return 1;
  }
  const double json_mb = static_cast<double>(json_status.st_size) / 1e6;
  const double json_decode_mbps = megabytes / json_decode.seconds;
  const double json_encode_mbps = json_mb / json_encode.seconds;
  std::printf("morsel decode --json of the message: %.1f MB/s of input (%.3f s, %.1f MB of JSON)\n",
              json_decode_mbps, json_decode.seconds, printed_mb);
  std::printf(
      "morsel encode --json of that JSON twice over: %.1f MB/s of JSON (%.3f s), peak memory "
      "%.1f MiB\n",
      json_encode_mbps, json_encode.seconds, static_cast<double>(json_encode.peak_kib) / 1024);

  constexpr int kCopies = 10;
  const Run piped = run_decode_pipe(message, kCopies);
  if (piped.status != 0) {
    (void)std::fprintf(stderr, "morsel decode of a pipe exited with status %d\n", piped.status);
    return 1;
  }
  const double pipe_mb = megabytes * kCopies;
  const double pipe_mbps = pipe_mb / piped.seconds;
  const double pipe_peak_mib = static_cast<double>(piped.peak_kib) / 1024;
  std::printf("morsel decode of %.1f MiB through a pipe (standard input), output to /dev/null\n",
              input_mib * kCopies);
  std::printf("  %.1f MB/s of input (%.3f s), peak memory %.1f MiB\n", pipe_mbps, piped.seconds,
              pipe_peak_mib);
  std::printf("| benchmark | result | target | met |\n| --- | --- | --- | --- |\n");
  std::printf(
      "| cli_decode_pipe_1GiB | %.1f MB/s, peak memory %.1f MiB | a few MiB of memory | %s |\n",
      pipe_mbps, pipe_peak_mib, pipe_peak_mib <= 16 ? "yes" : "NO");
  std::printf("| cli_decode_json_100MiB | %.1f MB/s of input | >= 100 MB/s | %s |\n",
              json_decode_mbps, json_decode_mbps >= 100 ? "yes" : "NO");
  const double encode_peak_mib = static_cast<double>(json_encode.peak_kib) / 1024;
  std::printf(
      "| cli_encode_json_1GiB | %.1f MB/s of JSON, peak memory %.1f MiB | >= 50 MB/s, "
      "< 64 MiB | %s |\n",
      json_encode_mbps, encode_peak_mib,
      json_encode_mbps >= 50 && encode_peak_mib < 64 ? "yes" : "NO");
  std::printf(
      "| cli_decode_100MiB | %.1f MB/s (best), %.1f MB/s (median) | >= %.0f MB/s on the best | %s "
      "|\n",
      best, median, kTargetMBps, best >= kTargetMBps ? "yes" : "NO");
  return 0;
}
