// The reader and writer by schema (morsel/value.h) against the compiled ones, on a struct of every
// convention (shapes.h): a value drawn at random and written by the compiled writer is read by the
// schema and written back by it as the same bytes; those bytes with one byte changed, or bytes
// from the input as they are, are read by both readers alike: both read the same number of bytes,
// or both refuse them with the same error at the same offset, neither reader moved. What either
// reads, written back, the other reads too (an unordered_map may come back in another order, so
// the bytes are not compared across them). A stream reading by schema, fed in chunks, reads what
// the reader reads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <morsel/message.h>
#include <morsel/schema.h>
#include <morsel/stream.h>
#include <morsel/types.h>
#include <morsel/value.h>

#include "fuzz_support.h"
#include "shapes.h"

namespace {

using morsel_fuzz::require;
using morsel_fuzz::Shapes;

const morsel::type& shapes_type() {
  static const morsel::type_set types = morsel::type_set::parse(morsel::schema<Shapes>());
  return *types.first();
}

struct outcome {
  std::vector<unsigned char> written;  // the value read, written back
  std::string error;
  std::size_t stopped_at = 0;
  std::size_t size = 0;  // bytes read
};

outcome read_compiled(std::span<const unsigned char> bytes) {
  outcome out;
  morsel::reader in(bytes);
  try {
    const Shapes s = in.read<Shapes>();
    out.size = in.offset();
    morsel::writer again;
    again.write(s);
    out.written = again.take();
  } catch (const morsel::decode_error& e) {
    out.error = e.what();
    out.stopped_at = e.stopped_at();
    require(in.offset() == 0);
  }
  return out;
}

outcome read_by_schema(std::span<const unsigned char> bytes) {
  outcome out;
  morsel::reader in(bytes);
  try {
    const morsel::value v = morsel::read_value(in, shapes_type());
    out.size = in.offset();
    morsel::writer again;
    morsel::write_value(again, shapes_type(), v);
    out.written = again.take();
  } catch (const morsel::decode_error& e) {
    out.error = e.what();
    out.stopped_at = e.stopped_at();
    require(in.offset() == 0);
  }
  return out;
}

// Fed `chunk` bytes at a time, then finished: the same value as a reader's, or an error.
void check_streamed(std::span<const unsigned char> bytes, std::size_t chunk,
                    const outcome& whole) {  // `whole`: the schema reader's
  morsel::stream in;
  morsel::value v;
  bool read = false;
  try {
    for (std::size_t fed = 0; fed < bytes.size() && !read; fed += chunk) {
      in.feed(bytes.subspan(fed, std::min(chunk, bytes.size() - fed)));
      read = in.read_value(shapes_type(), v);
    }
    if (!read) {
      in.finish();
      read = in.read_value(shapes_type(), v);
    }
  } catch (const morsel::decode_error&) {
    require(!whole.error.empty());
    return;
  }
  require(read == whole.error.empty() || bytes.empty());
  if (read) {
    morsel::writer again;
    morsel::write_value(again, shapes_type(), v);
    require(std::vector<unsigned char>(again.bytes().begin(), again.bytes().end()) ==
            whole.written);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<unsigned char> bytes;
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
    case 1: {
      morsel::writer out;
      out.write(morsel_fuzz::draw_shapes(in));
      bytes.assign(out.bytes().begin(), out.bytes().end());
      const outcome by_schema = read_by_schema(bytes);
      require(by_schema.error.empty() && by_schema.written == bytes);
      if (!bytes.empty() && in.remaining_bytes() > 0) {  // one byte changed
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, bytes.size() - 1);
        bytes[at] = static_cast<unsigned char>(bytes[at] ^ in.ConsumeIntegralInRange<int>(1, 255));
      }
      break;
    }
    default:
      bytes = in.ConsumeRemainingBytes<unsigned char>();
  }
  const outcome compiled = read_compiled(bytes);
  const outcome by_schema = read_by_schema(bytes);
  require(compiled.error == by_schema.error && compiled.stopped_at == by_schema.stopped_at &&
          compiled.size == by_schema.size);
  if (compiled.error.empty()) {
    require(read_by_schema(compiled.written).written == compiled.written);
    require(read_compiled(by_schema.written).error.empty());
  }
  check_streamed(bytes, 1 + bytes.size() / 7, by_schema);
  return 0;
}
