// A struct with the members real programs have (an enum, a fixed array, an optional string, a
// vector of records, a map, a variant), with 100 readings, 4 counters and a note: written and
// read as one struct by morsel, by hand member by member with morsel, and by MessagePack's own
// struct support (MSGPACK_DEFINE, msgpack::pack, unpack(...).as<Frame>()), which has no
// std::variant adaptor: the one here packs [index, value], as morsel's convention does.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>
#include <msgpack.hpp>

#include "ratio_report.h"

namespace morsel_bench {

enum class Status : unsigned char { ok = 1, degraded = 2, down = 200 };

struct Reading {
  unsigned int sensor;
  double value;
  Status status;
  MSGPACK_DEFINE(sensor, value, status)
};

using Payload = std::variant<int, std::string, Reading>;

struct Frame {
  unsigned long seq;
  Status status;
  std::array<float, 3> position;
  std::optional<std::string> note;
  std::vector<Reading> readings;
  std::map<std::string, int> counters;
  Payload payload;
  MSGPACK_DEFINE(seq, status, position, note, readings, counters, payload)
};

}  // namespace morsel_bench

MSGPACK_ADD_ENUM(morsel_bench::Status)

namespace msgpack {
MSGPACK_API_VERSION_NAMESPACE(MSGPACK_DEFAULT_API_NS) {
  namespace adaptor {

  template <>
  struct pack<morsel_bench::Payload> {
    template <typename Stream>
    packer<Stream>& operator()(packer<Stream>& out, const morsel_bench::Payload& v) const {
      out.pack_array(2);
      out.pack(static_cast<unsigned int>(v.index()));
      std::visit([&out](const auto& alternative) { out.pack(alternative); }, v);
      return out;
    }
  };

  template <>
  struct convert<morsel_bench::Payload> {
    const msgpack::object& operator()(const msgpack::object& o, morsel_bench::Payload& v) const {
      if (o.type != msgpack::type::ARRAY || o.via.array.size != 2) {
        throw msgpack::type_error();
      }
      switch (o.via.array.ptr[0].as<unsigned int>()) {
        case 0:
          v = o.via.array.ptr[1].as<int>();
          break;
        case 1:
          v = o.via.array.ptr[1].as<std::string>();
          break;
        case 2:
          v = o.via.array.ptr[1].as<morsel_bench::Reading>();
          break;
        default:
          throw msgpack::type_error();
      }
      return o;
    }
  };

  }  // namespace adaptor
}
}  // namespace msgpack

namespace morsel_bench {
namespace {

Frame sample_frame() {
  Frame frame{4711, Status::degraded, {1.5F, -2.25F, 0.125F}, "calibrated at dawn", {}, {}, {}};
  for (unsigned int i = 0; i < 100; ++i) {
    frame.readings.push_back({i, 20.0 + i * 0.25, i % 7 == 0 ? Status::down : Status::ok});
  }
  frame.counters = {{"drops", 3}, {"resets", 0}, {"retries", 12}, {"timeouts", 1}};
  frame.payload = Reading{7, -1.5, Status::ok};
  return frame;
}

// The same items as writing the struct, written one member at a time.
void write_by_hand(morsel::writer& out, const Frame& f) {
  out.write(f.seq).write(static_cast<unsigned char>(f.status));
  out.write(f.position[0]).write(f.position[1]).write(f.position[2]);
  out.write(f.note.has_value());
  if (f.note) {
    out.write(std::string_view(*f.note));
  }
  out.write(static_cast<unsigned int>(f.readings.size()));
  for (const Reading& r : f.readings) {
    out.write(r.sensor).write(r.value).write(static_cast<unsigned char>(r.status));
  }
  out.write(static_cast<unsigned int>(f.counters.size()));
  for (const auto& [name, count] : f.counters) {
    out.write(std::string_view(name)).write(count);
  }
  out.write(static_cast<unsigned char>(f.payload.index()));
  const Reading& r = std::get<Reading>(f.payload);  // the sample's alternative
  out.write(r.sensor).write(r.value).write(static_cast<unsigned char>(r.status));
}

Reading read_reading(morsel::reader& in) {
  Reading r{};
  r.sensor = in.read<unsigned int>();
  r.value = in.read<double>();
  r.status = static_cast<Status>(in.read<unsigned char>());
  return r;
}

Frame read_by_hand(morsel::reader& in) {
  Frame f{};
  f.seq = in.read<unsigned long>();
  f.status = static_cast<Status>(in.read<unsigned char>());
  for (float& p : f.position) {
    p = in.read<float>();
  }
  if (in.read<bool>()) {
    f.note = in.read<std::string>();
  }
  const unsigned int readings = in.read<unsigned int>();
  f.readings.reserve(readings);
  for (unsigned int i = 0; i < readings; ++i) {
    f.readings.push_back(read_reading(in));
  }
  const unsigned int counters = in.read<unsigned int>();
  for (unsigned int i = 0; i < counters; ++i) {
    auto name = in.read<std::string>();
    f.counters.emplace(std::move(name), in.read<int>());
  }
  (void)in.read<unsigned char>();  // the sample's alternative: a Reading
  f.payload = read_reading(in);
  return f;
}

void write_struct(benchmark::State& state) {
  const Frame frame = sample_frame();
  morsel::writer out;
  for (auto _ : state) {
    out.clear();
    out.write(frame);
    benchmark::DoNotOptimize(out.bytes().data());
  }
}

void write_hand(benchmark::State& state) {
  const Frame frame = sample_frame();
  morsel::writer out;
  morsel::writer check;
  check.write(frame);
  for (auto _ : state) {
    out.clear();
    write_by_hand(out, frame);
    benchmark::DoNotOptimize(out.bytes().data());
  }
  if (out.size() != check.size() ||
      !std::equal(out.bytes().begin(), out.bytes().end(), check.bytes().begin())) {
    state.SkipWithError("by hand, other bytes than the struct's");
  }
}

void write_msgpack(benchmark::State& state) {
  const Frame frame = sample_frame();
  msgpack::sbuffer buffer;
  for (auto _ : state) {
    buffer.clear();
    msgpack::pack(buffer, frame);
    benchmark::DoNotOptimize(buffer.data());
  }
}

std::vector<unsigned char> morsel_frame() {
  morsel::writer out;
  out.write(sample_frame());
  return out.take();
}

bool same(const Frame& a, const Frame& b) {
  return a.seq == b.seq && a.readings.size() == b.readings.size() &&
         a.readings.back().value == b.readings.back().value && a.counters == b.counters &&
         a.note == b.note && a.payload.index() == b.payload.index();
}

// Times `read_frame(frame)` into one frame, then checks the last frame read.
template <typename ReadFrame>
void time_frame_reads(benchmark::State& state, ReadFrame read_frame) {
  Frame frame{};
  for (auto _ : state) {
    read_frame(frame);
    benchmark::DoNotOptimize(frame.readings.data());
  }
  if (!same(frame, sample_frame())) {
    state.SkipWithError("read back another frame");
  }
}

msgpack::sbuffer msgpack_frame() {
  msgpack::sbuffer buffer;
  msgpack::pack(buffer, sample_frame());
  return buffer;
}

void read_struct(benchmark::State& state) {
  const std::vector<unsigned char> bytes = morsel_frame();
  time_frame_reads(state, [&](Frame& frame) {
    morsel::reader in(bytes);
    frame = in.read<Frame>();
  });
}

void read_hand(benchmark::State& state) {
  const std::vector<unsigned char> bytes = morsel_frame();
  time_frame_reads(state, [&](Frame& frame) {
    morsel::reader in(bytes);
    frame = read_by_hand(in);
  });
}

void read_msgpack(benchmark::State& state) {
  const msgpack::sbuffer buffer = msgpack_frame();
  time_frame_reads(state, [&](Frame& frame) {
    const msgpack::object_handle handle = msgpack::unpack(buffer.data(), buffer.size());
    frame = handle->as<Frame>();
  });
}

// Into one frame read before: morsel's read_into reuses its strings, vector and map nodes;
// MessagePack converts into it, through the object tree of each unpack.
void read_into_struct(benchmark::State& state) {
  const std::vector<unsigned char> bytes = morsel_frame();
  time_frame_reads(state, [&](Frame& frame) {
    morsel::reader in(bytes);
    in.read_into(frame);
  });
}

void read_into_msgpack(benchmark::State& state) {
  const msgpack::sbuffer buffer = msgpack_frame();
  time_frame_reads(state, [&](Frame& frame) {
    const msgpack::object_handle handle = msgpack::unpack(buffer.data(), buffer.size());
    handle->convert(frame);
  });
}

}  // namespace
}  // namespace morsel_bench

MORSEL_PEER_BENCHMARK(morsel_bench::write_struct)->Name("struct_write/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::write_hand)->Name("struct_write/morsel_by_hand");
MORSEL_PEER_BENCHMARK(morsel_bench::write_msgpack)->Name("struct_write/msgpack");
MORSEL_PEER_BENCHMARK(morsel_bench::read_struct)->Name("struct_read/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::read_hand)->Name("struct_read/morsel_by_hand");
MORSEL_PEER_BENCHMARK(morsel_bench::read_msgpack)->Name("struct_read/msgpack");
MORSEL_PEER_BENCHMARK(morsel_bench::read_into_struct)->Name("struct_read_into/morsel");
MORSEL_PEER_BENCHMARK(morsel_bench::read_into_msgpack)->Name("struct_read_into/msgpack");
