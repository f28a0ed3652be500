// Encoding and decoding a 1 MiB string against one memcpy of 1 MiB.
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/morsel.h>

namespace {

constexpr std::size_t kMiB = 1 << 20;

void string_floor(benchmark::State& state) {
  const std::string source(kMiB, 'm');
  std::string destination(kMiB, '\0');
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kMiB);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
}

void string_encode(benchmark::State& state) {
  const std::string text(kMiB, 'm');
  for (auto _ : state) {
    std::vector<unsigned char> item = morsel::serialize(text);
    benchmark::DoNotOptimize(item.data());
  }
}

void string_decode(benchmark::State& state) {
  const std::vector<unsigned char> item = morsel::serialize(std::string(kMiB, 'm'));
  for (auto _ : state) {
    std::string text = morsel::deserialize_string(item);
    benchmark::DoNotOptimize(text.data());
  }
}

BENCHMARK(string_floor)->Name("string_1MiB/floor_memcpy");
BENCHMARK(string_encode)->Name("string_1MiB/encode");
BENCHMARK(string_decode)->Name("string_1MiB/decode");

}  // namespace
