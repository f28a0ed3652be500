// What morsel::written_as costs: 10,000 records whose members are the program's own types (a
// temperature over a double, an amount of money over a long, a time point), written into a reused
// buffer and read back, against the same records spelled with the surrogate types themselves;
// and the same with a station id over a string, 5 to 40 bytes. The same bytes either way; the
// values have magnitudes and lengths of every size.
#include <chrono>
#include <cstddef>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>

#include "ratio_report.h"

namespace morsel_bench {

class Celsius {
 public:
  Celsius() = default;
  explicit Celsius(double degrees) : degrees_(degrees) {}
  double degrees() const { return degrees_; }

 private:
  double degrees_ = 0;
};

struct Cents {
  long amount = 0;
};

class StationId {
 public:
  StationId() = default;
  explicit StationId(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace morsel_bench

template <>
struct morsel::written_as<morsel_bench::Celsius> {
  using type = double;
  static double to(const morsel_bench::Celsius& c) { return c.degrees(); }
  static morsel_bench::Celsius from(double d) { return morsel_bench::Celsius(d); }
};

template <>
struct morsel::written_as<morsel_bench::Cents> {
  using type = long;
  static long to(const morsel_bench::Cents& c) { return c.amount; }
  static morsel_bench::Cents from(long amount) { return morsel_bench::Cents{amount}; }
};

template <>
struct morsel::written_as<morsel_bench::StationId> {
  using type = std::string;
  static const std::string& to(const morsel_bench::StationId& id) { return id.text(); }
  static morsel_bench::StationId from(std::string text) {
    return morsel_bench::StationId(std::move(text));
  }
};

namespace morsel_bench {
namespace {

struct Own {
  std::chrono::system_clock::time_point at;
  Celsius inside;
  Celsius outside;
  Cents price;
};

struct Surrogates {
  long at;
  double inside;
  double outside;
  long price;
};

// With an id over a string, which `from` takes by value.
struct OwnWithId {
  Own own;
  StationId station;
};

struct SurrogatesWithId {
  Surrogates surrogates;
  std::string station;
};

constexpr std::size_t kRecords = 10'000;

std::vector<SurrogatesWithId> sample_surrogates_with_id() {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int> length(5, 40);
  std::uniform_int_distribution<int> digits(0, 18);
  std::vector<SurrogatesWithId> records;
  records.reserve(kRecords);
  long at = 1'765'000'000'000'000'000L;
  for (std::size_t i = 0; i < kRecords; ++i) {
    at += static_cast<long>(random() % 5'000'000'000UL);
    long magnitude = 1;
    for (int d = digits(random); d > 0; --d) {
      magnitude *= 10;
    }
    records.push_back({{at, static_cast<double>(random() % 4000) / 100.0 - 5.0,
                        static_cast<double>(random() % 100'000) * 1e-3 - 40.0,
                        static_cast<long>(random() % static_cast<unsigned long>(magnitude))},
                       std::string(static_cast<std::size_t>(length(random)), 's')});
  }
  return records;
}

Own own_of(const Surrogates& s) {
  return {std::chrono::system_clock::time_point(std::chrono::nanoseconds(s.at)), Celsius(s.inside),
          Celsius(s.outside), Cents{s.price}};
}

std::vector<Surrogates> sample_surrogates() {
  std::vector<Surrogates> records;
  for (const SurrogatesWithId& s : sample_surrogates_with_id()) {
    records.push_back(s.surrogates);
  }
  return records;
}
std::vector<Own> sample_own() {
  std::vector<Own> records;
  for (const SurrogatesWithId& s : sample_surrogates_with_id()) {
    records.push_back(own_of(s.surrogates));
  }
  return records;
}
std::vector<OwnWithId> sample_own_with_id() {
  std::vector<OwnWithId> records;
  for (const SurrogatesWithId& s : sample_surrogates_with_id()) {
    records.push_back({own_of(s.surrogates), StationId(s.station)});
  }
  return records;
}

template <typename Record>
std::vector<unsigned char> bytes_of(const std::vector<Record>& records) {
  morsel::writer out;
  for (const Record& r : records) {
    out.write(r);
  }
  return out.take();
}

template <typename Record>
void write_records(benchmark::State& state, const std::vector<Record>& records) {
  morsel::writer out;
  for (auto _ : state) {
    out.clear();
    for (const Record& r : records) {
      out.write(r);
    }
    benchmark::DoNotOptimize(out.bytes().data());
  }
}

template <typename Record>
void read_records(benchmark::State& state, const std::vector<Record>& records) {
  const std::vector<unsigned char> bytes = bytes_of(records);
  std::vector<Record> back(records.size());
  for (auto _ : state) {
    morsel::reader in(bytes);
    for (Record& r : back) {
      r = in.read<Record>();
    }
    benchmark::DoNotOptimize(back.data());
  }
}

template <typename Own, typename Surrogates>
void write_own(benchmark::State& state, const std::vector<Own>& own,
               const std::vector<Surrogates>& surrogates) {
  if (bytes_of(own) != bytes_of(surrogates)) {
    state.SkipWithError("the records' bytes differ");
    return;
  }
  write_records(state, own);
}

void BM_WriteOwn(benchmark::State& state) {
  write_own(state, sample_own(), sample_surrogates());
}
void BM_WriteSurrogates(benchmark::State& state) {
  write_records(state, sample_surrogates());
}
void BM_ReadOwn(benchmark::State& state) {
  read_records(state, sample_own());
}
void BM_ReadSurrogates(benchmark::State& state) {
  read_records(state, sample_surrogates());
}
void BM_WriteOwnWithId(benchmark::State& state) {
  write_own(state, sample_own_with_id(), sample_surrogates_with_id());
}
void BM_WriteSurrogatesWithId(benchmark::State& state) {
  write_records(state, sample_surrogates_with_id());
}
void BM_ReadOwnWithId(benchmark::State& state) {
  read_records(state, sample_own_with_id());
}
void BM_ReadSurrogatesWithId(benchmark::State& state) {
  read_records(state, sample_surrogates_with_id());
}

MORSEL_PEER_BENCHMARK(BM_WriteOwn)->Name("written_as/write/own");
MORSEL_PEER_BENCHMARK(BM_WriteSurrogates)->Name("written_as/write/surrogates");
MORSEL_PEER_BENCHMARK(BM_ReadOwn)->Name("written_as/read/own");
MORSEL_PEER_BENCHMARK(BM_ReadSurrogates)->Name("written_as/read/surrogates");
MORSEL_PEER_BENCHMARK(BM_WriteOwnWithId)->Name("written_as/write/own_with_id");
MORSEL_PEER_BENCHMARK(BM_WriteSurrogatesWithId)->Name("written_as/write/surrogates_with_id");
MORSEL_PEER_BENCHMARK(BM_ReadOwnWithId)->Name("written_as/read/own_with_id");
MORSEL_PEER_BENCHMARK(BM_ReadSurrogatesWithId)->Name("written_as/read/surrogates_with_id");

}  // namespace
}  // namespace morsel_bench
