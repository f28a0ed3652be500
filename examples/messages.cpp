// Writes a message of a few records, reads it back typed, then feeds it to a morsel::stream a few
// bytes at a time, as bytes arrive from a socket or a pipe.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/message.h>
#include <morsel/stream.h>

namespace {

struct Reading {
  unsigned int id;
  double celsius;
  std::string_view station;
};

// Prints one item of any kind, as far as this example needs.
void show(const morsel::item& item) {
  if (const auto* id = std::get_if<unsigned int>(&item)) {
    std::printf("  u32 %u\n", *id);
  } else if (const auto* value = std::get_if<double>(&item)) {
    std::printf("  f64 %g\n", *value);
  } else if (const auto* text = std::get_if<std::string_view>(&item)) {
    std::printf("  string \"%.*s\"\n", static_cast<int>(text->size()), text->data());
  } else {
    std::printf("  %s\n", std::string(morsel::kind_name(morsel::kind_of(item))).c_str());
  }
}

}  // namespace

int main() {
  const std::vector<Reading> readings{{1, 21.5, "Oslo"}, {2, -3.25, "Tromso"}, {3, 30.0, "Rome"}};

  morsel::writer out;
  for (const Reading& r : readings) {
    out.write(r.id).write(r.celsius).write(r.station);
  }
  const std::vector<unsigned char> message = out.take();
  std::printf("message of %zu bytes: ", message.size());
  morsel::printVec(message);

  morsel::reader in(message);
  while (!in.empty()) {
    const auto id = in.read<unsigned int>();
    const auto celsius = in.read<double>();
    const auto station = in.read<std::string_view>();
    std::printf("reading %u: %g C at %.*s\n", id, celsius, static_cast<int>(station.size()),
                station.data());
  }

  // The stream loop: bytes arrive 7 at a time, written straight into the stream's buffer (as
  // ::read or recv would); every item is handled as soon as it is whole.
  std::puts("as a stream, 7 bytes at a time:");
  morsel::stream stream;
  for (std::size_t at = 0; at < message.size(); at += 7) {
    const std::size_t n = std::min<std::size_t>(7, message.size() - at);
    std::copy_n(message.begin() + static_cast<std::ptrdiff_t>(at), n, stream.prepare(n).begin());
    stream.commit(n);
    while (const std::optional<morsel::item> item = stream.next()) {
      show(*item);  // views into the stream: use them before the next prepare
    }
  }
  stream.finish();  // the sender is done: a cut-short item would now throw
  while (const std::optional<morsel::item> item = stream.next()) {
    show(*item);
  }
  std::printf("left over: %zu bytes\n", stream.remaining().size());
  return stream.empty() ? 0 : 1;
}
