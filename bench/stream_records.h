// The records of the message benchmarks as the stream benchmarks read them: a view of each, the
// message of all 10,000, and the sum that every reader folds them into and checks.
#ifndef MORSEL_BENCH_STREAM_RECORDS_H
#define MORSEL_BENCH_STREAM_RECORDS_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace morsel_bench {

struct RecordView {
  unsigned int id;
  double x;
  long t;
  std::string_view name;
};

inline std::uint64_t fold(std::uint64_t sum, unsigned int id, double x, long t, std::size_t name) {
  return sum + id + std::bit_cast<std::uint64_t>(x) + std::bit_cast<std::uint64_t>(t) + name;
}

// The sum of records(), folded as a reader folds what it reads (in stream_bench.cpp).
std::uint64_t expected_sum();
// records() written as four items each (in stream_bench.cpp).
std::vector<unsigned char> morsel_message();

}  // namespace morsel_bench

#endif  // MORSEL_BENCH_STREAM_RECORDS_H
