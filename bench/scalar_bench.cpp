// Scalar encoders against allocating and filling a fresh 9-byte vector; scalar decoders against
// copying their item, which their by-value argument costs anyway.
#include <array>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/morsel.h>

namespace {

void encode_floor(benchmark::State& state) {
  std::array<unsigned char, 9> bytes{0xA4, 1, 2, 3, 4, 5, 6, 7, 8};
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes.data());
    std::vector<unsigned char> item(bytes.begin(), bytes.end());
    benchmark::DoNotOptimize(item.data());
  }
}
BENCHMARK(encode_floor)->Name("encode/floor_fresh_9_byte_vector");

template <typename T>
void encode(benchmark::State& state, T value) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    std::vector<unsigned char> item = morsel::serialize(value);
    benchmark::DoNotOptimize(item.data());
  }
}
BENCHMARK_CAPTURE(encode, bool, true);
BENCHMARK_CAPTURE(encode, u8, static_cast<unsigned char>(200));
BENCHMARK_CAPTURE(encode, u32, 0x01020304U);
BENCHMARK_CAPTURE(encode, u64, 0x0102030405060708UL);
BENCHMARK_CAPTURE(encode, i8, static_cast<signed char>(-5));
BENCHMARK_CAPTURE(encode, i32, -123456);
BENCHMARK_CAPTURE(encode, i64, -1234567890123L);
BENCHMARK_CAPTURE(encode, f32, 1.5F);
BENCHMARK_CAPTURE(encode, f64, -0.125);

void decode_floor(benchmark::State& state) {
  const std::vector<unsigned char> item(static_cast<std::size_t>(state.range(0)), 0xA4);
  for (auto _ : state) {
    std::vector<unsigned char> copy(item);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(decode_floor)->Arg(1)->Arg(2)->Arg(5)->Arg(9)->Name("decode/floor_copy");

template <typename Decoder, typename T>
void decode(benchmark::State& state, Decoder decoder, T value) {
  const std::vector<unsigned char> item = morsel::serialize(value);
  for (auto _ : state) {
    auto decoded = decoder(item);
    benchmark::DoNotOptimize(decoded);
  }
}
BENCHMARK_CAPTURE(decode, bool, morsel::deserialize_bool, true);
BENCHMARK_CAPTURE(decode, u8, morsel::deserialize_u8, static_cast<unsigned char>(200));
BENCHMARK_CAPTURE(decode, u32, morsel::deserialize_u32, 0x01020304U);
BENCHMARK_CAPTURE(decode, u64, morsel::deserialize_u64, 0x0102030405060708UL);
BENCHMARK_CAPTURE(decode, i8, morsel::deserialize_i8, static_cast<signed char>(-5));
BENCHMARK_CAPTURE(decode, i32, morsel::deserialize_i32, -123456);
BENCHMARK_CAPTURE(decode, i64, morsel::deserialize_i64, -1234567890123L);
BENCHMARK_CAPTURE(decode, f32, morsel::deserialize_f32, 1.5F);
BENCHMARK_CAPTURE(decode, f64, morsel::deserialize_f64, -0.125);

}  // namespace
