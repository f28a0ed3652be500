// Writes a message of a few records, reads it back typed, then feeds it to a stream reader a few
// bytes at a time, as bytes arrive from a socket or a pipe.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/message.h>

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

  // The stream loop: append what arrived, read every whole item, keep the cut-short rest.
  std::puts("as a stream, 7 bytes at a time:");
  std::vector<unsigned char> pending;
  for (std::size_t at = 0; at < message.size(); at += 7) {
    const std::size_t n = std::min<std::size_t>(7, message.size() - at);
    pending.insert(pending.end(), message.begin() + static_cast<std::ptrdiff_t>(at),
                   message.begin() + static_cast<std::ptrdiff_t>(at + n));
    morsel::reader stream(pending, morsel::partial);
    try {
      while (!stream.empty()) {
        show(stream.next());  // views into `pending`: use them before it changes
      }
    } catch (const morsel::truncated_error&) {
      // The last item is not whole yet: wait for more bytes.
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(stream.offset()));
  }
  std::printf("left over: %zu bytes\n", pending.size());
  return pending.empty() ? 0 : 1;
}
