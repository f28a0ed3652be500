// A real program's data, not friendly records: an event log of 100,000 events, each a time, a
// level, a source, a message (5% of them 256 to 2,000 bytes: stack traces, JSON), samples (5% of
// them 300 to 2,000 values), 0 to 6 tags and an optional code. The same on every run.
#ifndef MORSEL_BENCH_EVENT_LOG_H
#define MORSEL_BENCH_EVENT_LOG_H

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <msgpack.hpp>

namespace morsel_bench {

enum class Level : unsigned char { debug, info, warn, error };

struct Event {
  unsigned long time_ns;
  Level level;
  std::string source;
  std::string message;
  std::vector<double> samples;
  std::map<std::string, std::string> tags;
  std::optional<unsigned int> code;
  bool operator==(const Event&) const = default;
  MSGPACK_DEFINE(time_ns, level, source, message, samples, tags, code)
};

inline constexpr std::size_t kEvents = 100000;

const std::vector<Event>& event_log();

}  // namespace morsel_bench

MSGPACK_ADD_ENUM(morsel_bench::Level)

#endif  // MORSEL_BENCH_EVENT_LOG_H
