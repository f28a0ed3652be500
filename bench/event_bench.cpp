// The event log (event_log.h), 100,000 events, written into a reused buffer and read back as
// fresh Events: morsel's structs against MessagePack's MSGPACK_DEFINE on the same struct
// (msgpack::pack, and unpack with an offset and as<Event>()). Both read back every event equal.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>
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

}  // namespace
}  // namespace morsel_bench

MORSEL_PEER_BENCHMARK(morsel_bench::write_morsel)->Name("event_log/write/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::write_msgpack)->Name("event_log/write/msgpack");
MORSEL_PEER_BENCHMARK(morsel_bench::read_morsel)->Name("event_log/read/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::read_msgpack)->Name("event_log/read/msgpack");
