// The records of the message benchmarks: 10,000 of {unsigned int id; double x; long t; name of 5
// to 24 bytes}, the same on every run.
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

const std::vector<Record>& records();

}  // namespace morsel_bench

#endif  // MORSEL_BENCH_RECORDS_H
