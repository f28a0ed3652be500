#include "records.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace morsel_bench {
namespace {

constexpr std::size_t kRecords = 10000;

std::vector<Record> make_records() {
  std::mt19937_64 rng(10000);
  std::uniform_real_distribution<double> x(-1000.0, 1000.0);
  std::uniform_int_distribution<std::size_t> length(5, 24);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::uniform_int_distribution<unsigned int> shift(0, 62);
  std::vector<Record> all;
  all.reserve(kRecords);
  for (unsigned int id = 0; id < kRecords; ++id) {
    // Times of every magnitude and both signs, so that the peers' variable-width integers vary.
    const auto magnitude = static_cast<long>(rng() >> (1 + shift(rng)));
    Record r{id, x(rng), (rng() & 1U) != 0 ? magnitude : -magnitude, std::string(length(rng), ' ')};
    for (char& c : r.name) {
      c = static_cast<char>(letter(rng));
    }
    all.push_back(std::move(r));
  }
  return all;
}

}  // namespace

const std::vector<Record>& records() {
  static const std::vector<Record> all = make_records();
  return all;
}

}  // namespace morsel_bench
