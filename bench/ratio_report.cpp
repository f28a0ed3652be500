#include "ratio_report.h"

#include <cstdio>

namespace morsel_bench {

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const std::string name = run.run_name.str();
    if (median || (run.run_type == Run::RT_Iteration && !seconds_.contains(name))) {
      seconds_[name] = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
  }
}

void MedianReporter::print_ratios(std::span<const Comparison> comparisons) const {
  std::printf(
      "\n| benchmark | against | ratio | target | met |\n| --- | --- | --- | --- | --- |\n");
  for (const Comparison& c : comparisons) {
    const auto subject = seconds_.find(c.subject);
    const auto baseline = seconds_.find(c.baseline);
    if (subject == seconds_.end() || baseline == seconds_.end()) {
      continue;  // filtered out of this run
    }
    const double ratio =
        c.faster_by ? baseline->second / subject->second : subject->second / baseline->second;
    const char* direction = c.faster_by ? "faster by " : "";
    if (c.limit == 0) {
      std::printf("| %s | %s | %s%.2fx | (reference) | |\n", c.subject, c.baseline, direction,
                  ratio);
      continue;
    }
    const bool met = c.faster_by ? ratio >= c.limit : ratio <= c.limit;
    std::printf("| %s | %s | %s%.2fx | %s %.2fx | %s |\n", c.subject, c.baseline, direction, ratio,
                c.faster_by ? ">=" : "<=", c.limit, met ? "yes" : "NO");
  }
}

}  // namespace morsel_bench
