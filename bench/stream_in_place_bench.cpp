// The message of the stream benchmarks handed to morsel::stream::feed_each in chunks of 1, 64,
// 4096 and 65536 bytes: the records that lie wholly in a chunk are read where they are, and only a
// record cut at a chunk's end is copied in. In a file of its own, as a program reading a stream so
// would be: the compiler's inlining of one way to read does not then depend on the others.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/stream.h>

#include "ratio_report.h"
#include "stream_records.h"

namespace {

using morsel_bench::RecordView;

void read_stream_in_place(benchmark::State& state) {
  const std::vector<unsigned char> message = morsel_bench::morsel_message();
  const auto chunk = static_cast<std::size_t>(state.range(0));
  std::uint64_t sum = 0;
  morsel::stream in;
  for (auto _ : state) {
    in = morsel::stream();
    sum = 0;
    for (std::size_t fed = 0; fed < message.size(); fed += chunk) {
      const std::size_t n = std::min(chunk, message.size() - fed);
      in.feed_each<RecordView>(std::span(message).subspan(fed, n), [&](const RecordView& r) {
        sum = morsel_bench::fold(sum, r.id, r.x, r.t, r.name.size());
      });
    }
    benchmark::DoNotOptimize(sum);
  }
  if (sum != morsel_bench::expected_sum() || !in.empty()) {
    state.SkipWithError("read back other values than were written");
  }
}

}  // namespace

MORSEL_PEER_BENCHMARK(read_stream_in_place)
    ->Name("stream_read/morsel_in_place")
    ->Arg(1)
    ->Arg(64)
    ->Arg(4096)
    ->Arg(65536);
