// A console reporter that also remembers each benchmark's median CPU time, so that the run can end
// with a table of ratios against the floors and the peer.
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
};

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the markdown table of `comparisons`.
  void print_ratios(std::span<const Comparison> comparisons) const;

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace morsel_bench

#endif  // MORSEL_BENCH_RATIO_REPORT_H
