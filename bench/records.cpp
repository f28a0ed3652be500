#include "records.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace morsel_bench {
namespace {

constexpr std::size_t kRecords = 10000;

void fill_name(std::mt19937_64& rng, std::string& name) {
  std::uniform_int_distribution<int> letter('a', 'z');
  for (char& c : name) {
    c = static_cast<char>(letter(rng));
  }
}

std::vector<Record> make_records() {
  std::mt19937_64 rng(10000);
  std::uniform_real_distribution<double> x(-1000.0, 1000.0);
  std::uniform_int_distribution<std::size_t> length(5, 24);
  std::uniform_int_distribution<unsigned int> shift(0, 62);
  std::vector<Record> all;
  all.reserve(kRecords);
  for (unsigned int id = 0; id < kRecords; ++id) {
    // Times of every magnitude and both signs, so that the peers' variable-width integers vary.
    const auto magnitude = static_cast<long>(rng() >> (1 + shift(rng)));
    Record r{id, x(rng), (rng() & 1U) != 0 ? magnitude : -magnitude, std::string(length(rng), ' ')};
    fill_name(rng, r.name);
    all.push_back(std::move(r));
  }
  return all;
}

std::vector<Record> make_full_width_records() {
  std::mt19937_64 rng(20000);
  std::uniform_int_distribution<std::size_t> length(5, 24);
  std::vector<Record> all;
  all.reserve(kRecords);
  for (std::size_t i = 0; i < kRecords; ++i) {
    Record r{static_cast<unsigned int>(rng()), std::bit_cast<double>(rng()),
             std::bit_cast<long>(rng()), std::string(length(rng), ' ')};
    fill_name(rng, r.name);
    all.push_back(std::move(r));
  }
  return all;
}

}  // namespace

const std::vector<Record>& records() {
  static const std::vector<Record> all = make_records();
  return all;
}

const std::vector<Record>& full_width_records() {
  static const std::vector<Record> all = make_full_width_records();
  return all;
}

}  // namespace morsel_bench
