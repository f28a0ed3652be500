// The message of 10,000 records of the message benchmarks, fed to a morsel::stream in chunks of
// 1, 64 and 4096 bytes and read back as records as each becomes whole; the same chunks fed to
// MessagePack's unpacker (reserve_buffer, buffer_consumed, next). Every reader folds what it reads
// into a sum that is checked.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>
#include <morsel/stream.h>
#include <msgpack.hpp>

#include "ratio_report.h"
#include "records.h"
#include "stream_records.h"

namespace morsel_bench {

std::uint64_t expected_sum() {
  std::uint64_t sum = 0;
  for (const Record& r : records()) {
    sum = fold(sum, r.id, r.x, r.t, r.name.size());
  }
  return sum;
}

std::vector<unsigned char> morsel_message() {
  morsel::writer out;
  for (const Record& r : records()) {
    out.write(r.id).write(r.x).write(r.t).write(std::string_view(r.name));
  }
  return out.take();
}

}  // namespace morsel_bench

namespace {

using morsel_bench::expected_sum;
using morsel_bench::fold;
using morsel_bench::morsel_message;
using morsel_bench::Record;
using morsel_bench::records;
using morsel_bench::RecordView;

void read_stream(benchmark::State& state) {
  const std::vector<unsigned char> message = morsel_message();
  const auto chunk = static_cast<std::size_t>(state.range(0));
  std::uint64_t sum = 0;
  morsel::stream in;
  for (auto _ : state) {
    in = morsel::stream();
    sum = 0;
    for (std::size_t fed = 0; fed < message.size(); fed += chunk) {
      const std::size_t n = std::min(chunk, message.size() - fed);
      std::memcpy(in.prepare(n).data(), message.data() + fed, n);
      in.commit(n);
      while (const std::optional<RecordView> r = in.read<RecordView>()) {
        sum = fold(sum, r->id, r->x, r->t, r->name.size());
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  if (sum != expected_sum() || !in.empty()) {
    state.SkipWithError("read back other values than were written");
  }
}

// The same records from the whole message at once, as a struct: what the stream is compared with.
void read_contiguous(benchmark::State& state) {
  const std::vector<unsigned char> message = morsel_message();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    morsel::reader in(message);
    sum = 0;
    while (!in.empty()) {
      const auto r = in.read<RecordView>();
      sum = fold(sum, r.id, r.x, r.t, r.name.size());
    }
    benchmark::DoNotOptimize(sum);
  }
  if (sum != expected_sum()) {
    state.SkipWithError("read back other values than were written");
  }
}

void read_msgpack_unpacker(benchmark::State& state) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> out(buffer);
  for (const Record& r : records()) {
    out.pack(r.id).pack(r.x).pack(r.t).pack(r.name);
  }
  const auto chunk = static_cast<std::size_t>(state.range(0));
  std::uint64_t sum = 0;
  for (auto _ : state) {
    msgpack::unpacker in;
    sum = 0;
    msgpack::object_handle handle;
    int field = 0;
    for (std::size_t fed = 0; fed < buffer.size(); fed += chunk) {
      const std::size_t n = std::min(chunk, buffer.size() - fed);
      in.reserve_buffer(n);
      std::memcpy(in.buffer(), buffer.data() + fed, n);
      in.buffer_consumed(n);
      while (in.next(handle)) {
        const msgpack::object& o = handle.get();
        switch (field) {
          case 0:
            sum += o.as<unsigned int>();
            break;
          case 1:
            sum += std::bit_cast<std::uint64_t>(o.as<double>());
            break;
          case 2:
            sum += std::bit_cast<std::uint64_t>(o.as<long>());
            break;
          default:
            sum += o.via.str.size;
        }
        field = (field + 1) % 4;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  if (sum != expected_sum()) {
    state.SkipWithError("read back other values than were written");
  }
}

}  // namespace

MORSEL_PEER_BENCHMARK(read_stream)->Name("stream_read/morsel")->Arg(1)->Arg(64)->Arg(4096);
MORSEL_PEER_BENCHMARK(read_contiguous)->Name("stream_read/morsel_contiguous");
MORSEL_PEER_BENCHMARK(read_msgpack_unpacker)
    ->Name("stream_read/msgpack")
    ->Arg(1)
    ->Arg(64)
    ->Arg(4096);
