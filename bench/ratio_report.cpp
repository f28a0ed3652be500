#include "ratio_report.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace morsel_bench {
namespace {

std::optional<double> ratio_of(const std::map<std::string, double>& seconds, const Comparison& c) {
  const auto subject = seconds.find(c.subject);
  const auto baseline = seconds.find(c.baseline);
  if (subject == seconds.end() || baseline == seconds.end()) {
    return std::nullopt;
  }
  return c.faster_by ? baseline->second / subject->second : subject->second / baseline->second;
}

}  // namespace

double minimum(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const std::string name = run.run_name.str();
    const double seconds =
        run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    const bool aggregate = run.run_type == Run::RT_Aggregate;
    // A run without repetitions has no median: its one time stands in.
    if ((aggregate && run.aggregate_name == "median") ||
        (run.run_type == Run::RT_Iteration && !medians_.contains(name))) {
      medians_[name] = seconds;
    } else if (aggregate && run.aggregate_name == "min") {
      minimums_[name] = seconds;
    }
  }
}

void MedianReporter::print_ratios(std::span<const Comparison> comparisons) const {
  std::printf(
      "\n| benchmark | against | ratio of minimums | ratio of medians | target | met |\n"
      "| --- | --- | --- | --- | --- | --- |\n");
  for (const Comparison& c : comparisons) {
    const std::optional<double> median = ratio_of(medians_, c);
    if (!median) {
      continue;  // filtered out of this run
    }
    const std::optional<double> least = ratio_of(minimums_, c);
    const char* direction = c.faster_by ? "faster by " : "";
    char min_text[32] = "-";
    if (least) {
      (void)std::snprintf(min_text, sizeof min_text, "%s%.2fx", direction, *least);
    }
    std::printf("| %s | %s | %s | %s%.2fx | ", c.subject, c.baseline, min_text, direction, *median);
    if (c.limit == 0) {
      std::printf("(reference) | |\n");
      continue;
    }
    const double judged = c.on_minimums && least ? *least : *median;
    const bool met = c.faster_by ? judged >= c.limit : judged <= c.limit;
    std::printf("%s %.2fx on %s | %s |\n", c.faster_by ? ">=" : "<=", c.limit,
                c.on_minimums && least ? "minimums" : "medians", met ? "yes" : "NO");
  }
}

}  // namespace morsel_bench
