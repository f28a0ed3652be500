// The event log (event_log.h), 100,000 events, written into a reused buffer and read back as
// fresh Events: morsel's structs against MessagePack's MSGPACK_DEFINE on the same struct
// (msgpack::pack, and unpack with an offset and as<Event>()). Both read back every event equal.
// Then read into one reused Event: morsel's read_into, from the whole log and from a stream fed
// 64 KiB chunks, against MessagePack's unpack and convert into one Event.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>
#include <morsel/stream.h>
#include <msgpack.hpp>

#include "event_log.h"
#include "ratio_report.h"

namespace morsel_bench {
namespace {

std::vector<unsigned char> morsel_log() {
  morsel::writer out;
  for (const Event& e : event_log()) {
    out.write(e);
  }
  return out.take();
}

msgpack::sbuffer msgpack_log() {
  msgpack::sbuffer buffer;
  for (const Event& e : event_log()) {
    msgpack::pack(buffer, e);
  }
  return buffer;
}

// Each writes the log once before it is timed, so that its buffer has grown: the timed writes
// go into a reused buffer, as a program writing log after log does.
void write_morsel(benchmark::State& state) {
  const std::vector<Event>& log = event_log();
  morsel::writer out;
  for (const Event& e : log) {
    out.write(e);
  }
  for (auto _ : state) {
    out.clear();
    for (const Event& e : log) {
      out.write(e);
    }
    benchmark::DoNotOptimize(out.bytes().data());
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}

void write_msgpack(benchmark::State& state) {
  const std::vector<Event>& log = event_log();
  msgpack::sbuffer buffer;
  for (const Event& e : log) {
    msgpack::pack(buffer, e);
  }
  for (auto _ : state) {
    buffer.clear();
    for (const Event& e : log) {
      msgpack::pack(buffer, e);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["bytes"] = static_cast<double>(buffer.size());
}

void read_morsel(benchmark::State& state) {
  const std::vector<Event>& events = event_log();
  const std::vector<unsigned char> log = morsel_log();
  std::size_t equal = 0;
  for (auto _ : state) {
    morsel::reader in(log);
    equal = 0;
    for (const Event& expected : events) {
      const Event e = in.read<Event>();
      equal += e.time_ns == expected.time_ns ? 1 : 0;
      benchmark::DoNotOptimize(e);
    }
  }
  morsel::reader check(log);
  for (const Event& expected : event_log()) {
    if (!(check.read<Event>() == expected)) {
      state.SkipWithError("read back another event");
      return;
    }
  }
  if (equal != kEvents || !check.empty()) {
    state.SkipWithError("read back other events");
  }
}

void read_msgpack(benchmark::State& state) {
  const std::vector<Event>& events = event_log();
  const msgpack::sbuffer log = msgpack_log();
  std::size_t equal = 0;
  for (auto _ : state) {
    std::size_t offset = 0;
    equal = 0;
    for (const Event& expected : events) {
      const Event e = msgpack::unpack(log.data(), log.size(), offset).get().as<Event>();
      equal += e.time_ns == expected.time_ns ? 1 : 0;
      benchmark::DoNotOptimize(e);
    }
  }
  if (equal != kEvents) {
    state.SkipWithError("read back other events");
  }
}

// Reading into one Event: every event compared with the log's after the timed runs.
template <typename ReadAll>
void check_read_into(benchmark::State& state, ReadAll read_all) {
  std::size_t at = 0;
  bool same = true;
  read_all([&](const Event& e) {
    same = same && at < kEvents && e == event_log()[at];
    ++at;
  });
  if (!same || at != kEvents) {
    state.SkipWithError("read back other events");
  }
}

void read_into_morsel(benchmark::State& state) {
  const std::vector<unsigned char> log = morsel_log();
  Event e{};
  const auto read_all = [&](auto&& each) {
    morsel::reader in(log);
    while (!in.empty()) {
      in.read_into(e);
      each(e);
    }
  };
  for (auto _ : state) {
    read_all([](const Event& read) { benchmark::DoNotOptimize(read.time_ns); });
  }
  check_read_into(state, read_all);
}

void read_into_stream(benchmark::State& state) {
  const std::vector<unsigned char> log = morsel_log();
  const std::span<const unsigned char> bytes(log);
  constexpr std::size_t kChunk = 64 << 10;
  Event e{};
  morsel::stream in;
  const auto read_all = [&](auto&& each) {
    in = morsel::stream();
    for (std::size_t fed = 0; fed < bytes.size(); fed += kChunk) {
      const std::size_t n = std::min(kChunk, bytes.size() - fed);
      const std::span<unsigned char> room = in.prepare(n);
      std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(fed), n, room.begin());
      in.commit(n);
      while (in.read_into(e)) {
        each(e);
      }
    }
  };
  for (auto _ : state) {
    read_all([](const Event& read) { benchmark::DoNotOptimize(read.time_ns); });
  }
  check_read_into(state, read_all);
}

void read_into_msgpack(benchmark::State& state) {
  const msgpack::sbuffer log = msgpack_log();
  Event e{};
  const auto read_all = [&](auto&& each) {
    std::size_t offset = 0;
    while (offset < log.size()) {
      const msgpack::object_handle handle = msgpack::unpack(log.data(), log.size(), offset);
      handle.get().convert(e);
      each(e);
    }
  };
  for (auto _ : state) {
    read_all([](const Event& read) { benchmark::DoNotOptimize(read.time_ns); });
  }
  check_read_into(state, read_all);
}

}  // namespace
}  // namespace morsel_bench

MORSEL_PEER_BENCHMARK(morsel_bench::read_into_morsel)->Name("event_log/read_into/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::read_into_stream)->Name("event_log/read_into/stream_64KiB");
MORSEL_PEER_BENCHMARK(morsel_bench::read_into_msgpack)->Name("event_log/read_into/msgpack");

MORSEL_PEER_BENCHMARK(morsel_bench::write_morsel)->Name("event_log/write/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::write_msgpack)->Name("event_log/write/msgpack");
MORSEL_PEER_BENCHMARK(morsel_bench::read_morsel)->Name("event_log/read/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::read_msgpack)->Name("event_log/read/msgpack");
