// A console reporter that also remembers each benchmark's median CPU time (and, for benchmarks
// compared with a peer, the minimum over repetitions), so that the run can end with a table of
// ratios against the floors and the peers.
#ifndef MORSEL_BENCH_RATIO_REPORT_H
#define MORSEL_BENCH_RATIO_REPORT_H

#include <map>
#include <span>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace morsel_bench {

struct Comparison {
  const char* subject;
  const char* baseline;
  // false: subject / baseline must be at most `limit`; true: baseline / subject at least `limit`.
  // A limit of 0 shows the ratio for reference, with no target.
  double limit;
  bool faster_by;
  // Judged on the minimums over repetitions (against a peer, and between two ways of doing the
  // same work): a busy machine only ever adds time, and the peers' medians spread more than ours.
  // Otherwise (against a floor) on medians.
  bool on_minimums = false;
};

double minimum(const std::vector<double>& values);

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the markdown table of `comparisons`.
  void print_ratios(std::span<const Comparison> comparisons) const;

 private:
  std::map<std::string, double> medians_;
  std::map<std::string, double> minimums_;
};

}  // namespace morsel_bench

// Registers a benchmark that is compared with a peer, keeping its minimum over repetitions.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): it names the function as BENCHMARK does
#define MORSEL_PEER_BENCHMARK(fn) BENCHMARK(fn)->ComputeStatistics("min", morsel_bench::minimum)

#endif  // MORSEL_BENCH_RATIO_REPORT_H
