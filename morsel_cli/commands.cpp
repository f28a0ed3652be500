// What the commands share: walking the input, reporting errors and the end of a run.
#include "commands.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include <morsel/message.h>
#include <morsel/stream.h>

#include "input.h"
#include "output.h"
#include "walk.h"

namespace morsel_cli {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;

std::string walk_whole(std::span<const unsigned char> input, output& out, const item_handler& each,
                       const fault_handler& malformed) {
  std::size_t at = 0;
  try {
    walk_message(input, at, [&](const shown& item) {
      each(item);
      out.flush_if_large();
    });
  } catch (const morsel::decode_error& e) {
    malformed(input.subspan(at), at, e);
    return e.what();
  }
  return {};
}

std::string walk_stream(const input_file& file, output& out, const item_handler& each,
                        const fault_handler& malformed) {
  morsel::stream in;
  for (;;) {
    try {
      for (;;) {
        const std::span<const unsigned char> rest = in.remaining();
        const std::size_t at = in.offset();
        const std::optional<morsel::item> item = in.next();
        if (!item) {
          break;
        }
        each(shown{at, rest.first(in.offset() - at), *item});
        out.flush_if_large();
      }
    } catch (const morsel::decode_error& e) {
      malformed(in.remaining(), in.offset(), e);
      return e.what();
    }
    if (in.finished()) {
      return {};
    }
    out.flush();  // everything whole so far is shown before waiting for more
    const std::size_t n = file.read_some(in.prepare(std::max(kChunk, in.needed())));
    if (n == 0) {
      in.finish();
    } else {
      in.commit(n);
    }
  }
}

}  // namespace

void complain(const std::string& what) {
  (void)std::fprintf(stderr, "morsel: %s\n", what.c_str());
}

std::string walk_input(const options& how, output& out, const item_handler& each,
                       const fault_handler& malformed) {
  const input_file file(how.input);
  if (!how.hex && !file.regular()) {
    return walk_stream(file, out, each, malformed);
  }
  const input_bytes whole(file, how.hex);
  return walk_whole(whole.bytes(), out, each, malformed);
}

int finish(output& out, const std::string& error) {
  if (!out.finish()) {
    complain(out.error());
    return 1;
  }
  if (!error.empty()) {
    complain(error);
    return 1;
  }
  return 0;
}

}  // namespace morsel_cli
