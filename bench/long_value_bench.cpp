// Values past 255 bytes or elements, in their long form: a message holding one 1 MiB string,
// written and read back into a std::string, against copying 1 MiB with memcpy and against
// MessagePack's str32; and 100,000 doubles against MessagePack's packer and its
// unpack(...).as<std::vector<double>>().
#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>
#include <msgpack.hpp>

#include "ratio_report.h"

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kDoubles = 100000;

const std::string& text_1mib() {
  static const std::string text = [] {
    std::string t(kMiB, ' ');
    std::mt19937 rng(1);
    for (char& c : t) {
      c = static_cast<char>('a' + rng() % 26);
    }
    return t;
  }();
  return text;
}

const std::vector<double>& doubles() {
  static const std::vector<double> values = [] {
    std::vector<double> v(kDoubles);
    std::mt19937_64 rng(2);
    std::normal_distribution<double> reading(0.0, 1e6);
    for (double& d : v) {
      d = reading(rng);
    }
    return v;
  }();
  return values;
}

void floor_memcpy(benchmark::State& state) {
  std::vector<char> into(kMiB);
  for (auto _ : state) {
    std::memcpy(into.data(), text_1mib().data(), kMiB);
    benchmark::DoNotOptimize(into.data());
    benchmark::ClobberMemory();
  }
}

void string_write_morsel(benchmark::State& state) {
  morsel::writer out;
  for (auto _ : state) {
    out.clear();
    out.write(std::string_view(text_1mib()));
    benchmark::DoNotOptimize(out.bytes().data());
  }
}

void string_read_morsel(benchmark::State& state) {
  morsel::writer out;
  out.write(std::string_view(text_1mib()));
  for (auto _ : state) {
    morsel::reader in(out.bytes());
    std::string text = in.read<std::string>();
    benchmark::DoNotOptimize(text.data());
  }
  morsel::reader check(out.bytes());
  if (check.read<std::string>() != text_1mib()) {
    state.SkipWithError("read back another string");
  }
}

void string_write_msgpack(benchmark::State& state) {
  msgpack::sbuffer buffer(kMiB + 16);
  for (auto _ : state) {
    buffer.clear();
    msgpack::pack(buffer, text_1mib());
    benchmark::DoNotOptimize(buffer.data());
  }
}

void string_read_msgpack(benchmark::State& state) {
  msgpack::sbuffer buffer;
  msgpack::pack(buffer, text_1mib());
  for (auto _ : state) {
    std::string text = msgpack::unpack(buffer.data(), buffer.size()).get().as<std::string>();
    benchmark::DoNotOptimize(text.data());
  }
}

void doubles_write_morsel(benchmark::State& state) {
  morsel::writer out;
  for (auto _ : state) {
    out.clear();
    out.write(doubles());
    benchmark::DoNotOptimize(out.bytes().data());
  }
}

void doubles_read_morsel(benchmark::State& state) {
  morsel::writer out;
  out.write(doubles());
  for (auto _ : state) {
    morsel::reader in(out.bytes());
    std::vector<double> values = in.read<std::vector<double>>();
    benchmark::DoNotOptimize(values.data());
  }
  morsel::reader check(out.bytes());
  if (check.read<std::vector<double>>() != doubles()) {
    state.SkipWithError("read back other doubles");
  }
}

void doubles_write_msgpack(benchmark::State& state) {
  msgpack::sbuffer buffer;
  for (auto _ : state) {
    buffer.clear();
    msgpack::pack(buffer, doubles());
    benchmark::DoNotOptimize(buffer.data());
  }
}

void doubles_read_msgpack(benchmark::State& state) {
  msgpack::sbuffer buffer;
  msgpack::pack(buffer, doubles());
  for (auto _ : state) {
    std::vector<double> values =
        msgpack::unpack(buffer.data(), buffer.size()).get().as<std::vector<double>>();
    benchmark::DoNotOptimize(values.data());
  }
}

}  // namespace

MORSEL_PEER_BENCHMARK(floor_memcpy)->Name("long_string/floor_memcpy");
MORSEL_PEER_BENCHMARK(string_write_morsel)->Name("long_string/write/morsel");
MORSEL_PEER_BENCHMARK(string_read_morsel)->Name("long_string/read/morsel");
MORSEL_PEER_BENCHMARK(string_write_msgpack)->Name("long_string/write/msgpack");
MORSEL_PEER_BENCHMARK(string_read_msgpack)->Name("long_string/read/msgpack");
MORSEL_PEER_BENCHMARK(doubles_write_morsel)->Name("doubles_100k/write/morsel");
MORSEL_PEER_BENCHMARK(doubles_read_morsel)->Name("doubles_100k/read/morsel");
MORSEL_PEER_BENCHMARK(doubles_write_msgpack)->Name("doubles_100k/write/msgpack");
MORSEL_PEER_BENCHMARK(doubles_read_msgpack)->Name("doubles_100k/read/msgpack");
