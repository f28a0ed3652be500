// The records of the message benchmarks: 10,000 of {unsigned int id; double x; long t; name of 5
// to 24 bytes}, the same on every run, in two sets.
#ifndef MORSEL_BENCH_RECORDS_H
#define MORSEL_BENCH_RECORDS_H

#include <string>
#include <vector>

namespace morsel_bench {

struct Record {
  unsigned int id;
  double x;
  long t;
  std::string name;
};

// Ids, times and doubles of every magnitude (`records()`), or drawn from all their bits
// (`full_width_records()`), which suits MessagePack's variable-width integers best.
const std::vector<Record>& records();
const std::vector<Record>& full_width_records();

}  // namespace morsel_bench

#endif  // MORSEL_BENCH_RECORDS_H
