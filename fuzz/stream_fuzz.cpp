// Feeds arbitrary bytes to a morsel::stream in arbitrary chunks and checks that it yields the same
// items, and the same error, as a morsel::reader over the bytes whole: item by item with next(),
// and as a struct of every container with read<T>(); and that feed_each yields, chunk by chunk,
// the structs and the error that feed and read<T>() yield.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <morsel/message.h>
#include <morsel/stream.h>

#include "fuzz_support.h"
#include "shapes.h"

namespace {

using morsel_fuzz::require;

// What a walk gave: the items written back, and the error that ended it.
struct walked {
  std::vector<unsigned char> items;
  std::string error;
  std::size_t stopped_at = 0;
};

walked walk_whole(std::span<const unsigned char> bytes) {
  walked out;
  morsel::reader in(bytes);
  morsel::writer again;
  try {
    while (!in.empty()) {
      again.write(in.next());
    }
  } catch (const morsel::decode_error& e) {
    out.error = e.what();
    out.stopped_at = e.stopped_at();
  }
  out.items = again.take();
  return out;
}

// Chunk sizes from 1 to 64, drawn from `seed` by a linear congruential generator.
walked walk_streamed(std::span<const unsigned char> bytes, std::uint32_t seed) {
  walked out;
  morsel::stream in;
  morsel::writer again;
  try {
    for (std::size_t fed = 0; fed < bytes.size();) {
      seed = seed * 1664525U + 1013904223U;
      const std::size_t n = std::min<std::size_t>(1 + (seed >> 26U), bytes.size() - fed);
      in.feed(bytes.subspan(fed, n));
      fed += n;
      while (const std::optional<morsel::item> item = in.next()) {
        again.write(*item);
      }
      require(in.needed() >= 1);
    }
    in.finish();
    while (const std::optional<morsel::item> item = in.next()) {
      again.write(*item);
    }
  } catch (const morsel::decode_error& e) {
    out.error = e.what();
    out.stopped_at = e.stopped_at();
  }
  out.items = again.take();
  return out;
}

// Every struct of every container in the bytes, fed in chunks of 1 to 512 bytes drawn from `seed`:
// by feed_each (read in place), or by feed and read<T>(); then the rest once the stream is
// finished.
walked read_structs(std::span<const unsigned char> bytes, std::uint32_t seed, bool in_place) {
  walked out;
  morsel::stream in;
  morsel::writer again;
  const auto write_back = [&](const morsel_fuzz::Shapes& value) { again.write(value); };
  try {
    for (std::size_t fed = 0; fed < bytes.size();) {
      seed = seed * 1664525U + 1013904223U;
      const std::size_t n = std::min<std::size_t>(1 + (seed >> 23U), bytes.size() - fed);
      const std::span<const unsigned char> chunk = bytes.subspan(fed, n);
      fed += n;
      if (in_place) {
        in.feed_each<morsel_fuzz::Shapes>(chunk, write_back);
      } else {
        in.feed(chunk);
        while (const std::optional<morsel_fuzz::Shapes> value = in.read<morsel_fuzz::Shapes>()) {
          write_back(*value);
        }
      }
    }
    // Chunked otherwise, a wrong byte after a value's first bytes may be found later one way
    // than the other (a wait lasts until the bytes it needs at least have come); with every byte
    // in, both read the same.
    in.finish();
    in.feed_each<morsel_fuzz::Shapes>({}, write_back);
  } catch (const morsel::decode_error& e) {
    out.error = e.what();
    out.stopped_at = e.stopped_at();
  }
  out.items = again.take();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const auto seed = provider.ConsumeIntegral<std::uint32_t>();
  const std::vector<unsigned char> bytes = provider.ConsumeRemainingBytes<unsigned char>();

  const walked whole = walk_whole(bytes);
  const walked streamed = walk_streamed(bytes, seed);
  require(whole.items == streamed.items);
  require(whole.error == streamed.error);
  require(whole.stopped_at == streamed.stopped_at);

  const walked in_place = read_structs(bytes, seed, true);
  const walked copied = read_structs(bytes, seed, false);
  require(in_place.items == copied.items);
  require(in_place.error == copied.error);
  require(in_place.stopped_at == copied.stopped_at);

  // A struct read at the start: the same value or the same error. (An empty stream ends before
  // any value, where a reader of no bytes finds one cut short.)
  if (bytes.empty()) {
    return 0;
  }
  std::string whole_error;
  try {
    morsel::reader in(bytes);
    (void)in.read<morsel_fuzz::Shapes>();
  } catch (const morsel::decode_error& e) {
    whole_error = e.what();
  }
  std::string stream_error;
  bool past_limit = false;
  try {
    morsel::stream in;
    for (std::size_t fed = 0; fed < bytes.size(); fed += 16) {
      in.feed(std::span<const unsigned char>(bytes).subspan(
          fed, std::min<std::size_t>(16, bytes.size() - fed)));
      if (in.read<morsel_fuzz::Shapes>()) {
        break;
      }
    }
    in.finish();
    if (in.offset() == 0) {
      (void)in.read<morsel_fuzz::Shapes>();
    }
  } catch (const morsel::stream_limit_error&) {
    past_limit = true;
  } catch (const morsel::decode_error& e) {
    stream_error = e.what();
  }
  // Past its limit a stream refuses a value announced larger than any input here: the whole
  // bytes end inside it, or are wrong further on.
  require(past_limit ? !whole_error.empty() : whole_error == stream_error);
  return 0;
}
