// `morsel decode` and `encode` of the event log (event_log.h, 100,000 events), item by item and by
// schema: writes the log and its schema (morsel::schema<Event>()) to scratch files, runs the real
// program a few times each way with its output to a file, checks that encode gives the log's bytes
// back, and reports the best and median throughput.
// Usage: morsel_cli_schema_bench [runs, default 5]
// Targets: decode and decode --json item by item, and decode --schema --json, >= 100 MB/s of
// input; encode --schema --json >= 50 MB/s of JSON.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <morsel/message.h>
#include <morsel/schema.h>

#include "event_log.h"
#include "tool_runs.h"

namespace {

using morsel_bench::Run;
using morsel_bench::run_tool;

struct Timing {
  double best;  // MB/s
  double median;
  long peak_kib;
};

// `runs` runs of the program with `args`, output to `out_path`; throughput of `megabytes`.
Timing time_runs(const std::vector<std::string>& args, const char* out_path, double megabytes,
                 long runs) {
  std::vector<double> seconds;
  long peak = 0;
  for (long i = 0; i < runs; ++i) {
    const Run run = run_tool(args, out_path);
    if (run.status != 0) {
      (void)std::fprintf(stderr, "morsel %s exited with status %d\n", args[0].c_str(), run.status);
      std::exit(1);
    }
    seconds.push_back(run.seconds);
    peak = std::max(peak, run.peak_kib);
  }
  std::sort(seconds.begin(), seconds.end());
  return {megabytes / seconds.front(), megabytes / seconds[seconds.size() / 2], peak};
}

std::vector<unsigned char> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void print_row(const char* name, const Timing& t, const char* unit, double target) {
  std::printf("| %s | %.1f MB/s of %s (median %.1f), peak memory %.1f MiB | ", name, t.best, unit,
              t.median, static_cast<double>(t.peak_kib) / 1024);
  if (target > 0) {
    std::printf(">= %.0f MB/s | %s |\n", target, t.best >= target ? "yes" : "NO");
  } else {
    std::printf("(reference) | |\n");
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const long runs = argc > 1 ? std::max(1L, std::strtol(argv[1], nullptr, 10)) : 5;
  morsel::writer out;
  for (const morsel_bench::Event& e : morsel_bench::event_log()) {
    out.write(e);
  }
  const std::vector<unsigned char> log = out.take();
  const std::string log_path = morsel_bench::write_scratch(log);
  const std::string schema_path = log_path + ".schema";
  std::ofstream(schema_path) << morsel::schema<morsel_bench::Event>();
  const std::string json_path = log_path + ".json";
  const std::string back_path = log_path + ".back";
  const double log_mb = static_cast<double>(log.size()) / 1e6;

  const Timing items = time_runs({"decode", log_path}, "/dev/null", log_mb, runs);
  const Timing items_json = time_runs({"decode", "--json", log_path}, "/dev/null", log_mb, runs);
  const Timing notation =
      time_runs({"decode", "--schema", schema_path, log_path}, "/dev/null", log_mb, runs);
  const Timing json = time_runs({"decode", "--schema", schema_path, "--json", log_path},
                                json_path.c_str(), log_mb, runs);
  struct stat json_status {};
  ::stat(json_path.c_str(), &json_status);
  const double json_mb = static_cast<double>(json_status.st_size) / 1e6;
  const Timing encode = time_runs({"encode", "--schema", schema_path, "--json", json_path},
                                  back_path.c_str(), json_mb, runs);
  const bool same = file_bytes(back_path) == log;
  for (const std::string& path : {log_path, schema_path, json_path, back_path}) {
    ::unlink(path.c_str());
  }
  if (!same) {
    (void)std::fprintf(stderr, "encode --schema --json did not give the log's bytes back\n");
    return 1;
  }
  std::printf(
      "the event log: %zu events, %.1f MB; as JSON Lines by schema, %.1f MB; %ld runs "
      "each, output to a file; encode gave the log's bytes back\n",
      morsel_bench::kEvents, log_mb, json_mb, runs);
  std::printf("| benchmark | result (best) | target | met |\n| --- | --- | --- | --- |\n");
  print_row("cli_decode_items", items, "input", 100);
  print_row("cli_decode_items_json", items_json, "input", 100);
  print_row("cli_decode_schema", notation, "input", 0);
  print_row("cli_decode_schema_json", json, "input", 100);
  print_row("cli_encode_schema_json", encode, "JSON", 50);
  return 0;
}
