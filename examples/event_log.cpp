// A program's event log: writes events (a time, a level, a source, a message, samples, tags and
// an optional code) to DIR/events.bin and, once, their schema to DIR/event.schema, so that
// `morsel decode --schema DIR/event.schema DIR/events.bin` shows them by name.
// Usage: morsel_event_log [DIR [COUNT]]   (DIR defaults to ".", COUNT to 20)
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <morsel/message.h>
#include <morsel/schema.h>

namespace telemetry {

enum class Level : unsigned char { debug, info, warn, error };

struct Event {
  unsigned long time_ns;
  Level level;
  std::string source;
  std::string message;
  std::vector<double> samples;
  std::map<std::string, std::string> tags;
  std::optional<unsigned int> code;
};

}  // namespace telemetry

namespace {

using telemetry::Event;
using telemetry::Level;

// The same events on every run: every level, long and short messages, and samples of every
// magnitude, whole, tiny, huge, negative and zero.
Event event_number(std::size_t i) {
  Event e{};
  e.time_ns = 1765000000000000000UL + i * 1234567UL;
  e.level = static_cast<Level>(i % 4);
  e.source = i % 3 == 0 ? "db" : i % 3 == 1 ? "api.gateway" : "worker-7";
  e.message = "request " + std::to_string(i) + (i % 2 == 0 ? " ok" : " failed: timeout");
  if (i % 7 == 3) {
    e.message += ": " + std::string(400, 'x');  // a stack trace's worth: a long string
  }
  const std::size_t samples = i % 10 == 9 ? 300 : i % 5;
  for (std::size_t s = 0; s < samples; ++s) {
    const auto n = static_cast<double>(i * 31 + s);
    e.samples.push_back(s % 4 == 0 ? n : s % 4 == 1 ? n * 1e-9 : s % 4 == 2 ? -n * 1e12 : n / 3);
  }
  if (i % 2 == 0) {
    e.tags["host"] = "node-" + std::to_string(i % 4);
  }
  if (i % 3 == 0) {
    e.tags["region"] = "eu-north";
  }
  if (e.level == Level::error) {
    e.code = static_cast<unsigned int>(500 + i % 4);
  }
  return e;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  const long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 20;
  if (count < 0) {
    (void)std::fprintf(stderr, "usage: morsel_event_log [DIR [COUNT]]\n");
    return 2;
  }

  std::ofstream(dir + "/event.schema") << morsel::schema<Event>();

  morsel::writer out;
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    out.write(event_number(i));
  }
  std::ofstream log(dir + "/events.bin", std::ios::binary);
  log.write(reinterpret_cast<const char*>(out.bytes().data()),
            static_cast<std::streamsize>(out.size()));
  if (!log.flush()) {
    (void)std::fprintf(stderr, "morsel_event_log: cannot write %s/events.bin\n", dir.c_str());
    return 1;
  }
  std::printf("wrote %ld events, %zu bytes, to %s/events.bin and their schema to %s/event.schema\n",
              count, out.size(), dir.c_str(), dir.c_str());
  return 0;
}
