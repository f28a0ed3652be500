// The 64-bit array encoders against "copy the argument, then write the 2 + 9n bytes of the item
// into a fresh buffer", and the double array against MessagePack packing the same doubles (also
// a tag and eight big-endian bytes each). The byte and string array encoders against copying
// their argument and its bytes into a fresh buffer of the item's size.
#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/morsel.h>
#include <msgpack.hpp>

#include "ratio_report.h"

namespace {

constexpr std::size_t kElements = 65536;

template <typename T>
std::vector<T> random_values(std::size_t n) {
  std::mt19937_64 rng(1);
  std::vector<T> values(n);
  for (T& value : values) {
    value = std::bit_cast<T>(rng() >> 2U);  // finite doubles
  }
  return values;
}

template <typename T>
void wide_floor(benchmark::State& state) {
  const std::vector<T> values = random_values<T>(kElements);
  for (auto _ : state) {
    std::vector<T> argument(values);
    std::vector<unsigned char> item(2 + 9 * argument.size());
    unsigned char* cursor = item.data();
    *cursor++ = 0xAC;
    *cursor++ = static_cast<unsigned char>(argument.size());
    for (const T& value : argument) {
      *cursor++ = std::is_same_v<T, double> ? 0xA9 : 0xA4;
      std::memcpy(cursor, &value, sizeof value);
      cursor += sizeof value;
    }
    benchmark::DoNotOptimize(item.data());
  }
}

template <typename T>
void wide_morsel(benchmark::State& state) {
  const std::vector<T> values = random_values<T>(kElements);
  for (auto _ : state) {
    std::vector<unsigned char> item = morsel::serialize(values);
    benchmark::DoNotOptimize(item.data());
  }
}

void f64_msgpack(benchmark::State& state) {
  const std::vector<double> values = random_values<double>(kElements);
  for (auto _ : state) {
    msgpack::sbuffer buffer;
    msgpack::pack(buffer, values);
    benchmark::DoNotOptimize(buffer.data());
  }
}

MORSEL_PEER_BENCHMARK(wide_floor<double>)->Name("array_f64/floor");
MORSEL_PEER_BENCHMARK(wide_morsel<double>)->Name("array_f64/morsel");
MORSEL_PEER_BENCHMARK(f64_msgpack)->Name("array_f64/msgpack");
BENCHMARK(wide_floor<unsigned long>)->Name("array_u64/floor");
BENCHMARK(wide_morsel<unsigned long>)->Name("array_u64/morsel");

constexpr std::size_t kMiB = 1 << 20;

void bytes_floor(benchmark::State& state) {
  const std::vector<unsigned char> values(kMiB, 0x5A);
  for (auto _ : state) {
    std::vector<unsigned char> argument(values);
    std::vector<unsigned char> item;
    item.reserve(3 + argument.size());
    item.insert(item.end(), {0xAC, 0x00, 0xA2});
    item.insert(item.end(), argument.begin(), argument.end());
    benchmark::DoNotOptimize(item.data());
  }
}

void bytes_morsel(benchmark::State& state) {
  const std::vector<unsigned char> values(kMiB, 0x5A);
  for (auto _ : state) {
    std::vector<unsigned char> item = morsel::serialize(values);
    benchmark::DoNotOptimize(item.data());
  }
}

BENCHMARK(bytes_floor)->Name("array_u8_1MiB/floor");
BENCHMARK(bytes_morsel)->Name("array_u8_1MiB/morsel");

// 65,536 strings of 3 to 14 bytes: short enough to live inside std::string, so copying the
// argument allocates once, as the encoder's output does.
std::vector<std::string> short_strings() {
  std::vector<std::string> strings;
  for (std::size_t i = 0; i < kElements; ++i) {
    strings.emplace_back(3 + i % 12, static_cast<char>('a' + i % 26));
  }
  return strings;
}

void strings_floor(benchmark::State& state) {
  const std::vector<std::string> values = short_strings();
  std::size_t size = 2;
  for (const std::string& s : values) {
    size += 2 + s.size();
  }
  for (auto _ : state) {
    std::vector<std::string> argument(values);
    std::vector<unsigned char> item(size);
    unsigned char* cursor = item.data() + 2;
    for (const std::string& s : argument) {
      cursor += 2;
      std::memcpy(cursor, s.data(), s.size());  // NOLINT(bugprone-not-null-terminated-result)
      cursor += s.size();
    }
    benchmark::DoNotOptimize(item.data());
  }
}

void strings_morsel(benchmark::State& state) {
  const std::vector<std::string> values = short_strings();
  for (auto _ : state) {
    std::vector<unsigned char> item = morsel::serialize(values);
    benchmark::DoNotOptimize(item.data());
  }
}

BENCHMARK(strings_floor)->Name("array_string/floor");
BENCHMARK(strings_morsel)->Name("array_string/morsel");

}  // namespace
