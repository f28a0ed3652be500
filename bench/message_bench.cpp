// A message of 10,000 records {unsigned int id; double x; long t; string name of 5 to 24 bytes},
// written into one reused buffer and read back one value at a time, by morsel's writer and reader
// and by the two peers doing the same work: MessagePack (packer into a reused sbuffer, unpack with
// an offset) and libcbor (the encode_* functions into one preallocated buffer, cbor_stream_decode
// with callbacks). Every reader folds what it reads into a checksum, so nothing is skipped. The
// `_struct` rows do morsel's work with each record written and read as one struct.
#include <cbor.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>
#include <morsel/message.h>
#include <msgpack.hpp>

#include "ratio_report.h"
#include "records.h"

namespace {

using morsel_bench::Record;
using morsel_bench::records;

// A sum, not a hash: a multiply per value would make the checksum's dependency chain, not the
// reading, what every reader is timed on.
std::uint64_t fold(std::uint64_t sum, std::uint64_t value) {
  return sum + value;
}

std::uint64_t fold_record(std::uint64_t sum, unsigned int id, double x, long t, std::size_t name);

std::uint64_t checksum(const std::vector<Record>& all) {
  std::uint64_t sum = 0;
  for (const Record& r : all) {
    sum = fold_record(sum, r.id, r.x, r.t, r.name.size());
  }
  return sum;
}

void check(benchmark::State& state, std::uint64_t sum) {
  if (sum != checksum(records())) {
    state.SkipWithError("read back other values than were written");
  }
}

// ---- morsel

void write_morsel_records(benchmark::State& state, const std::vector<Record>& all) {
  morsel::writer out;
  for (auto _ : state) {
    out.clear();
    for (const Record& r : all) {
      out.write(r.id).write(r.x).write(r.t).write(std::string_view(r.name));
    }
    benchmark::DoNotOptimize(out.bytes().data());
  }
}

void write_morsel(benchmark::State& state) {
  write_morsel_records(state, records());
}

void write_morsel_full_width(benchmark::State& state) {
  write_morsel_records(state, morsel_bench::full_width_records());
}

// The same work with each record written and read as a struct, its members found by the library.
void write_morsel_struct(benchmark::State& state) {
  const std::vector<Record>& all = records();
  morsel::writer out;
  for (auto _ : state) {
    out.clear();
    for (const Record& r : all) {
      out.write(r);
    }
    benchmark::DoNotOptimize(out.bytes().data());
  }
}

std::vector<unsigned char> morsel_message() {
  morsel::writer out;
  for (const Record& r : records()) {
    out.write(r.id).write(r.x).write(r.t).write(std::string_view(r.name));
  }
  return out.take();
}

// Reads the message again and again, each record folded into the checksum by `read_record`.
template <typename ReadRecord>
void read_message(benchmark::State& state, ReadRecord read_record) {
  const std::vector<unsigned char> message = morsel_message();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    morsel::reader in(message);
    sum = 0;
    while (!in.empty()) {
      sum = read_record(in, sum);
    }
    benchmark::DoNotOptimize(sum);
  }
  check(state, sum);
}

std::uint64_t fold_record(std::uint64_t sum, unsigned int id, double x, long t, std::size_t name) {
  sum = fold(sum, id);
  sum = fold(sum, std::bit_cast<std::uint64_t>(x));
  sum = fold(sum, std::bit_cast<std::uint64_t>(t));
  return fold(sum, name);
}

void read_morsel(benchmark::State& state) {
  read_message(state, [](morsel::reader& in, std::uint64_t sum) {
    // Members in order: the arguments of one call are evaluated in no set order.
    const auto id = in.read<unsigned int>();
    const auto x = in.read<double>();
    const auto t = in.read<long>();
    return fold_record(sum, id, x, t, in.read<std::string_view>().size());
  });
}

struct RecordView {
  unsigned int id;
  double x;
  long t;
  std::string_view name;
};

void read_morsel_struct(benchmark::State& state) {
  read_message(state, [](morsel::reader& in, std::uint64_t sum) {
    const auto r = in.read<RecordView>();
    return fold_record(sum, r.id, r.x, r.t, r.name.size());
  });
}

// ---- MessagePack

void write_msgpack_records(benchmark::State& state, const std::vector<Record>& all) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> out(buffer);
  for (auto _ : state) {
    buffer.clear();
    for (const Record& r : all) {
      out.pack(r.id).pack(r.x).pack(r.t).pack(r.name);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
}

void write_msgpack(benchmark::State& state) {
  write_msgpack_records(state, records());
}

void write_msgpack_full_width(benchmark::State& state) {
  write_msgpack_records(state, morsel_bench::full_width_records());
}

void read_msgpack(benchmark::State& state) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> out(buffer);
  for (const Record& r : records()) {
    out.pack(r.id).pack(r.x).pack(r.t).pack(r.name);
  }
  std::uint64_t sum = 0;
  for (auto _ : state) {
    std::size_t offset = 0;
    sum = 0;
    while (offset < buffer.size()) {
      sum = fold(sum, msgpack::unpack(buffer.data(), buffer.size(), offset)->as<unsigned int>());
      sum = fold(sum, std::bit_cast<std::uint64_t>(
                          msgpack::unpack(buffer.data(), buffer.size(), offset)->as<double>()));
      sum = fold(sum, std::bit_cast<std::uint64_t>(
                          msgpack::unpack(buffer.data(), buffer.size(), offset)->as<long>()));
      const msgpack::object_handle name = msgpack::unpack(buffer.data(), buffer.size(), offset);
      sum = fold(sum, name->via.str.size);
    }
    benchmark::DoNotOptimize(sum);
  }
  check(state, sum);
}

// ---- libcbor

std::size_t cbor_capacity() {
  return records().size() * 64;  // at most 5 + 9 + 9 + 2 + 24 bytes a record
}

std::size_t write_cbor_records(unsigned char* out, std::size_t capacity) {
  std::size_t size = 0;
  for (const Record& r : records()) {
    size += cbor_encode_uint32(r.id, out + size, capacity - size);
    size += cbor_encode_double(r.x, out + size, capacity - size);
    size +=
        r.t >= 0
            ? cbor_encode_uint64(static_cast<std::uint64_t>(r.t), out + size, capacity - size)
            : cbor_encode_negint64(~static_cast<std::uint64_t>(r.t), out + size, capacity - size);
    size += cbor_encode_string_start(r.name.size(), out + size, capacity - size);
    // Raw bytes, not a C string: no terminator is wanted.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(out + size, r.name.data(), r.name.size());
    size += r.name.size();
  }
  return size;
}

void write_cbor(benchmark::State& state) {
  std::vector<unsigned char> buffer(cbor_capacity());
  for (auto _ : state) {
    const std::size_t size = write_cbor_records(buffer.data(), buffer.size());
    benchmark::DoNotOptimize(size);
    benchmark::DoNotOptimize(buffer.data());
  }
}

struct CborSum {
  std::uint64_t sum = 0;
};

CborSum& sum_of(void* context) {
  return *static_cast<CborSum*>(context);
}

cbor_callbacks sum_callbacks() {
  cbor_callbacks callbacks = cbor_empty_callbacks;
  callbacks.uint32 = [](void* c, std::uint32_t v) { sum_of(c).sum = fold(sum_of(c).sum, v); };
  callbacks.float8 = [](void* c, double v) {
    sum_of(c).sum = fold(sum_of(c).sum, std::bit_cast<std::uint64_t>(v));
  };
  callbacks.uint64 = [](void* c, std::uint64_t v) { sum_of(c).sum = fold(sum_of(c).sum, v); };
  callbacks.negint64 = [](void* c, std::uint64_t v) { sum_of(c).sum = fold(sum_of(c).sum, ~v); };
  callbacks.string = [](void* c, cbor_data, std::size_t length) {
    sum_of(c).sum = fold(sum_of(c).sum, length);
  };
  return callbacks;
}

void read_cbor(benchmark::State& state) {
  std::vector<unsigned char> buffer(cbor_capacity());
  buffer.resize(write_cbor_records(buffer.data(), buffer.size()));
  const cbor_callbacks callbacks = sum_callbacks();
  CborSum context;
  for (auto _ : state) {
    context.sum = 0;
    for (std::size_t offset = 0; offset < buffer.size();) {
      const cbor_decoder_result result =
          cbor_stream_decode(buffer.data() + offset, buffer.size() - offset, &callbacks, &context);
      if (result.status != CBOR_DECODER_FINISHED) {
        state.SkipWithError("libcbor refused its own message");
        return;
      }
      offset += result.read;
    }
    benchmark::DoNotOptimize(context.sum);
  }
  check(state, context.sum);
}

}  // namespace

MORSEL_PEER_BENCHMARK(write_morsel)->Name("message_write/morsel");
MORSEL_PEER_BENCHMARK(write_morsel_struct)->Name("message_write/morsel_struct");
MORSEL_PEER_BENCHMARK(write_msgpack)->Name("message_write/msgpack");
MORSEL_PEER_BENCHMARK(write_morsel_full_width)->Name("message_write_full_width/morsel");
MORSEL_PEER_BENCHMARK(write_msgpack_full_width)->Name("message_write_full_width/msgpack");
MORSEL_PEER_BENCHMARK(write_cbor)->Name("message_write/cbor");
MORSEL_PEER_BENCHMARK(read_morsel)->Name("message_read/morsel");
MORSEL_PEER_BENCHMARK(read_morsel_struct)->Name("message_read/morsel_struct");
MORSEL_PEER_BENCHMARK(read_msgpack)->Name("message_read/msgpack");
MORSEL_PEER_BENCHMARK(read_cbor)->Name("message_read/cbor");
