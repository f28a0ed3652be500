// Reads a recursive type (a tree of nodes, each a value, a label and its children) from arbitrary
// bytes, with a reader and with a stream fed in chunks, under a small depth limit and the
// default one: whatever the bytes, no crash, no stack overflow, no allocation past what the
// bytes justify, and the same value or the same error both ways. A value read is written back
// as the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <morsel/message.h>
#include <morsel/stream.h>

#include "fuzz_support.h"

namespace {

using morsel_fuzz::require;

struct Tree {
  unsigned int value;
  std::variant<std::string, double> label;
  std::vector<Tree> children;
};

struct outcome {
  std::vector<unsigned char> written;  // the value read, written back
  std::string error;
  bool past_limit = false;  // the error is a stream_limit_error
  std::size_t size = 0;     // bytes read
};

void note(outcome& out, const morsel::decode_error& e) {
  out.error = e.what();
  out.past_limit = dynamic_cast<const morsel::stream_limit_error*>(&e) != nullptr;
}

outcome read_whole(std::span<const unsigned char> bytes, std::size_t depth) {
  outcome out;
  morsel::reader in(bytes);
  in.set_depth_limit(depth);
  try {
    const Tree tree = in.read<Tree>();
    morsel::writer again;
    again.set_depth_limit(depth);
    again.write(tree);
    out.written = again.take();
    out.size = in.offset();
  } catch (const morsel::decode_error& e) {
    note(out, e);
    require(in.offset() == 0);
  }
  return out;
}

outcome read_streamed(std::span<const unsigned char> bytes, std::size_t depth, std::size_t chunk) {
  outcome out;
  morsel::stream in;
  in.set_depth_limit(depth);
  try {
    std::optional<Tree> tree;
    for (std::size_t fed = 0; fed < bytes.size() && !tree; fed += chunk) {
      in.feed(bytes.subspan(fed, std::min(chunk, bytes.size() - fed)));
      tree = in.read<Tree>();
    }
    if (!tree) {
      in.finish();
      tree = in.read<Tree>();
    }
    require(tree.has_value() || bytes.empty());
    if (tree) {
      morsel::writer again;
      again.set_depth_limit(depth);
      again.write(*tree);
      out.written = again.take();
      out.size = in.offset();
    }
  } catch (const morsel::decode_error& e) {
    note(out, e);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::size_t depth = provider.ConsumeBool()
                                ? morsel::reader::default_depth_limit
                                : provider.ConsumeIntegralInRange<std::size_t>(0, 8);
  const std::size_t chunk = provider.ConsumeIntegralInRange<std::size_t>(1, 64);
  const std::vector<unsigned char> bytes = provider.ConsumeRemainingBytes<unsigned char>();
  if (bytes.empty()) {
    return 0;
  }
  const outcome whole = read_whole(bytes, depth);
  const outcome streamed = read_streamed(bytes, depth, chunk);
  // A stream refuses to wait past its limit for a value announced larger than the fuzzer's inputs
  // can be: the whole bytes end inside it, or are wrong further on.
  require(streamed.past_limit ? !whole.error.empty() : whole.error == streamed.error);
  require(whole.written == streamed.written);
  require(whole.size == streamed.size);
  if (whole.error.empty()) {
    // As many bytes written back as read: they differ only where a 4-byte string was read under
    // the generic tag (AB 04), which is written under its own (AA 04). Read again, they are the
    // same value.
    require(whole.written.size() == whole.size);
    require(read_whole(whole.written, depth).written == whole.written);
  }
  return 0;
}
