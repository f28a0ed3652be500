#include "event_log.h"

#include <array>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace morsel_bench {
namespace {

constexpr std::array<std::string_view, 12> kSources = {
    "db",           "api.gateway", "auth",        "scheduler", "cache-7",    "billing",
    "ingest.kafka", "search",      "worker-pool", "mail",      "storage.s3", "metrics"};
constexpr std::array<std::string_view, 7> kTagKeys = {"host",       "region", "pid",    "thread",
                                                      "request_id", "user",   "version"};
constexpr std::array<std::string_view, 16> kWords = {
    "connection", "timeout",  "retry", "user", "request", "failed", "at",     "query",
    "slow",       "returned", "cache", "miss", "for",     "shard",  "closed", "ok"};

std::string words(std::mt19937_64& rng, std::size_t length) {
  std::uniform_int_distribution<std::size_t> word(0, kWords.size() - 1);
  std::string text;
  while (text.size() < length) {
    text += kWords[word(rng)];
    text += ' ';
  }
  text.resize(length);
  return text;
}

std::string token(std::mt19937_64& rng, std::size_t length) {
  std::uniform_int_distribution<int> digit(0, 15);
  std::string text(length, '0');
  for (char& c : text) {
    c = "0123456789abcdef"[digit(rng)];
  }
  return text;
}

std::vector<Event> make_events() {
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<unsigned long> gap(1000, 10000000);
  std::normal_distribution<double> reading(100.0, 40.0);
  std::vector<Event> events;
  events.reserve(kEvents);
  unsigned long now = 1765000000000000000UL;
  for (std::size_t i = 0; i < kEvents; ++i) {
    Event e{};
    now += gap(rng);
    e.time_ns = now;
    const double level = unit(rng);
    e.level = level < 0.3    ? Level::debug
              : level < 0.8  ? Level::info
              : level < 0.95 ? Level::warn
                             : Level::error;
    e.source = kSources[static_cast<std::size_t>(unit(rng) * kSources.size())];
    const bool long_message = unit(rng) < 0.05;
    e.message = words(rng, long_message ? 256 + static_cast<std::size_t>(unit(rng) * 1745)
                                        : 10 + static_cast<std::size_t>(unit(rng) * 150));
    const bool many_samples = unit(rng) < 0.05;
    const std::size_t samples = many_samples ? 300 + static_cast<std::size_t>(unit(rng) * 1701)
                                             : static_cast<std::size_t>(unit(rng) * 12);
    e.samples.reserve(samples);
    for (std::size_t s = 0; s < samples; ++s) {
      // Measurements, some whole numbers, some tiny, some huge.
      const double kind = unit(rng);
      e.samples.push_back(kind < 0.7    ? reading(rng)
                          : kind < 0.85 ? static_cast<double>(static_cast<int>(reading(rng)))
                          : kind < 0.95 ? reading(rng) * 1e-9
                                        : reading(rng) * 1e12);
    }
    const auto tags = static_cast<std::size_t>(unit(rng) * 7);
    for (std::size_t t = 0; t < tags; ++t) {
      e.tags[std::string(kTagKeys[t])] = token(rng, 3 + static_cast<std::size_t>(unit(rng) * 34));
    }
    if (unit(rng) < 0.4) {
      const double size = unit(rng);
      e.code = size < 0.9 ? 200 + static_cast<unsigned int>(unit(rng) * 400)
                          : static_cast<unsigned int>(unit(rng) * 4e9);
    }
    events.push_back(std::move(e));
  }
  return events;
}

}  // namespace

const std::vector<Event>& event_log() {
  static const std::vector<Event> events = make_events();
  return events;
}

}  // namespace morsel_bench
