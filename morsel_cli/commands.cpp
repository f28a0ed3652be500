// What the commands share: walking the input, reporting errors and the end of a run.
#include "commands.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <morsel/message.h>
#include <morsel/stream.h>
#include <morsel/types.h>

#include "input.h"
#include "output.h"
#include "units.h"

namespace morsel_cli {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;

std::string walk_whole(std::span<const unsigned char> input, output& out, units& each,
                       const fault_handler& malformed) {
  morsel::reader in(input);
  try {
    while (!in.empty()) {
      const std::size_t at = in.offset();
      each.read(in);
      each.show(at, input.subspan(at, in.offset() - at));
      out.flush_if_large();
    }
  } catch (const morsel::decode_error& e) {
    malformed(in.remaining(), in.offset(), e);
    return e.what();
  }
  return {};
}

std::string walk_stream(const input_file& file, output& out, units& each,
                        const fault_handler& malformed) {
  morsel::stream in;
  for (;;) {
    try {
      for (;;) {
        const std::span<const unsigned char> rest = in.remaining();
        const std::size_t at = in.offset();
        if (!each.read(in)) {
          break;
        }
        each.show(at, rest.first(in.offset() - at));
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

std::string walk_input(const options& how, output& out, units& each,
                       const fault_handler& malformed) {
  const input_file file(how.input);
  if (!how.hex && !file.regular()) {
    return walk_stream(file, out, each, malformed);
  }
  const input_bytes whole(file, how.hex);
  return walk_whole(whole.bytes(), out, each, malformed);
}

schema_type read_schema(const options& how) {
  const input_file file(input_source{.standard_input = false, .path = how.schema});
  const byte_buffer text = read_all(file);
  schema_type chosen{};
  try {
    chosen.types = morsel::type_set::parse(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
  } catch (const morsel::schema_error& e) {
    throw input_error(file.name() + ": " + e.what());
  }
  if (how.type.empty()) {
    chosen.type = chosen.types.first();
    if (chosen.type == nullptr) {
      throw input_error(file.name() + ": the schema defines no type");
    }
    return chosen;
  }
  try {
    chosen.type = &chosen.types.type_of(how.type);
  } catch (const morsel::schema_error& e) {
    throw input_error(file.name() + ": --type " + how.type + ": " + e.what());
  }
  return chosen;
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
  if (!out.commit()) {
    complain(out.error());
    return 1;
  }
  return 0;
}

}  // namespace morsel_cli
