// Runs every benchmark with repetitions and ends with the table of ratios against the floors and
// the peers. Flags given on the command line override the defaults below. A missed
// target shows as "NO" in the table; benchmarks are not tests, so the exit status stays 0.
#include <malloc.h>

#include <array>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "ratio_report.h"

namespace {

using morsel_bench::Comparison;

constexpr double kScalar = 1.25;
constexpr double kWide = 1.5;
constexpr double kString = 2.2;

constexpr std::array kComparisons = {
    Comparison{"encode/bool", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/u8", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/u32", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/u64", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/i8", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/i32", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/i64", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/f32", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"encode/f64", "encode/floor_fresh_9_byte_vector", kScalar, false},
    Comparison{"decode/bool", "decode/floor_copy/1", kScalar, false},
    Comparison{"decode/u8", "decode/floor_copy/2", kScalar, false},
    Comparison{"decode/u32", "decode/floor_copy/5", kScalar, false},
    Comparison{"decode/u64", "decode/floor_copy/9", kScalar, false},
    Comparison{"decode/i8", "decode/floor_copy/2", kScalar, false},
    Comparison{"decode/i32", "decode/floor_copy/5", kScalar, false},
    Comparison{"decode/i64", "decode/floor_copy/9", kScalar, false},
    Comparison{"decode/f32", "decode/floor_copy/5", kScalar, false},
    Comparison{"decode/f64", "decode/floor_copy/9", kScalar, false},
    Comparison{"array_f64/morsel", "array_f64/floor", kWide, false},
    Comparison{"array_u64/morsel", "array_u64/floor", kWide, false},
    Comparison{"array_f64/morsel", "array_f64/msgpack", 5.0, true, true},
    Comparison{"array_f64/floor", "array_f64/msgpack", 0, true, true},
    Comparison{"string_1MiB/encode", "string_1MiB/floor_memcpy", kString, false},
    Comparison{"string_1MiB/decode", "string_1MiB/floor_memcpy", kString, false},
    Comparison{"array_u8_1MiB/morsel", "array_u8_1MiB/floor", kWide, false},
    Comparison{"array_string/morsel", "array_string/floor", kWide, false},
    // Messages: at most half the faster peer's time to write, a tenth of it to read.
    Comparison{"message_write/morsel", "message_write/msgpack", 0.5, false, true},
    Comparison{"message_write/morsel", "message_write/cbor", 0.5, false, true},
    // Ids, times and doubles drawn from all 64 bits: MessagePack's best case.
    Comparison{"message_write_full_width/morsel", "message_write_full_width/msgpack", 0.45, false,
               true},
    Comparison{"message_read/morsel", "message_read/msgpack", 0.1, false, true},
    Comparison{"message_read/morsel", "message_read/cbor", 0.1, false, true},
    // A record as a struct costs what its members cost written or read one by one.
    Comparison{"message_write/morsel_struct", "message_write/morsel", 1.1, false, true},
    Comparison{"message_read/morsel_struct", "message_read/morsel", 1.1, false, true},
    // A struct of containers: as a struct against by hand, and against MessagePack's structs.
    Comparison{"struct_write/morsel", "struct_write/morsel_by_hand", 1.1, false, true},
    Comparison{"struct_read/morsel", "struct_read/morsel_by_hand", 1.1, false, true},
    Comparison{"struct_write/morsel", "struct_write/msgpack", 0.5, false, true},
    Comparison{"struct_read/morsel", "struct_read/msgpack", 0.1, false, true},
    // Into one reused frame: read_into against MessagePack converting into it.
    Comparison{"struct_read_into/morsel", "struct_read_into/msgpack", 0.1, false, true},
    // Streams: 4 KiB chunks cost little over the whole message; 1-byte chunks a bounded multiple
    // of 4 KiB ones (no quadratic copying); against MessagePack's unpacker fed the same chunks.
    Comparison{"stream_read/morsel/4096", "stream_read/morsel_contiguous", 1.2, false, true},
    Comparison{"stream_read/morsel/1", "stream_read/morsel/4096", 40, false, true},
    Comparison{"stream_read/morsel/64", "stream_read/morsel/4096", 0, false, true},
    Comparison{"stream_read/morsel/1", "stream_read/msgpack/1", 0.1, false, true},
    Comparison{"stream_read/morsel/64", "stream_read/msgpack/64", 0.1, false, true},
    Comparison{"stream_read/morsel/4096", "stream_read/msgpack/4096", 0.1, false, true},
    // The same chunks handed to feed_each, which reads the records wholly in a chunk where they
    // lie; for small chunks it costs what feed and read cost.
    Comparison{"stream_read/morsel_in_place/4096", "stream_read/morsel_contiguous", 1.2, false,
               true},
    Comparison{"stream_read/morsel_in_place/65536", "stream_read/morsel_contiguous", 0, false,
               true},
    Comparison{"stream_read/morsel_in_place/64", "stream_read/morsel/64", 0, false, true},
    Comparison{"stream_read/morsel_in_place/1", "stream_read/morsel/1", 0, false, true},
    // Long values: a 1 MiB string near memcpy speed and no slower than MessagePack's str32;
    // 100,000 doubles in half MessagePack's time; the event log of real programs' data.
    Comparison{"long_string/write/morsel", "long_string/floor_memcpy", 1.3, false, true},
    Comparison{"long_string/read/morsel", "long_string/floor_memcpy", 1.5, false, true},
    Comparison{"long_string/write/morsel", "long_string/write/msgpack", 1.0, false, true},
    Comparison{"long_string/read/morsel", "long_string/read/msgpack", 1.0, false, true},
    Comparison{"doubles_100k/write/morsel", "doubles_100k/write/msgpack", 0.5, false, true},
    Comparison{"doubles_100k/read/morsel", "doubles_100k/read/msgpack", 0.5, false, true},
    Comparison{"event_log/write/morsel", "event_log/write/msgpack", 0.6, false, true},
    Comparison{"event_log/read/morsel", "event_log/read/msgpack", 0.8, false, true},
    // Read into one reused Event: from the whole log and from a stream fed 64 KiB chunks.
    Comparison{"event_log/read_into/morsel", "event_log/read_into/msgpack", 0.3, false, true},
    Comparison{"event_log/read_into/stream_64KiB", "event_log/read_into/morsel", 1.2, false, true},
    // The program's own types through written_as cost nothing over their surrogates.
    Comparison{"written_as/write/own", "written_as/write/surrogates", 1.05, false, true},
    Comparison{"written_as/read/own", "written_as/read/surrogates", 1.05, false, true},
    Comparison{"written_as/write/own_with_id", "written_as/write/surrogates_with_id", 1.05, false,
               true},
    Comparison{"written_as/read/own_with_id", "written_as/read/surrogates_with_id", 1.05, false,
               true},
};

}  // namespace

int main(int argc, char** argv) {
  // Keep large buffers on the heap and keep freed memory mapped: otherwise every 1 MiB buffer is
  // a fresh mmap whose page faults swamp the copying being measured.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 64 << 20);

  std::vector<std::string> args = {
      argv[0], "--benchmark_repetitions=9", "--benchmark_report_aggregates_only=true",
      "--benchmark_min_time=0.1", "--benchmark_enable_random_interleaving=true"};
  args.insert(args.end(), argv + 1, argv + argc);
  std::vector<char*> pointers;
  pointers.reserve(args.size());
  for (std::string& arg : args) {
    pointers.push_back(arg.data());
  }
  int count = static_cast<int>(pointers.size());
  benchmark::Initialize(&count, pointers.data());
  if (benchmark::ReportUnrecognizedArguments(count, pointers.data())) {
    return 2;
  }
  morsel_bench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  reporter.print_ratios(kComparisons);
  return 0;
}
