// A struct with a member of every convention, nested, for the message fuzz targets: drawn at
// random from the fuzzer's input, and read from arbitrary bytes.
#ifndef MORSEL_FUZZ_SHAPES_H
#define MORSEL_FUZZ_SHAPES_H

#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <morsel/written_as.h>

#include "fuzz_support.h"

namespace morsel_fuzz {

enum class Mood : unsigned char { calm = 1, storm = 200 };

// A class of the program's own, written as a double.
class Degrees {
 public:
  Degrees() = default;
  explicit Degrees(double value) : value_(value) {}
  double value() const { return value_; }

 private:
  double value_ = 0;
};

}  // namespace morsel_fuzz

template <>
struct morsel::written_as<morsel_fuzz::Degrees> {
  using type = double;
  static double to(const morsel_fuzz::Degrees& d) { return d.value(); }
  static morsel_fuzz::Degrees from(double value) { return morsel_fuzz::Degrees(value); }
};

namespace morsel_fuzz {

struct Leaf {
  unsigned int id;
  Mood mood;
  std::optional<std::string> note;
};

struct Shapes {
  std::array<float, 2> where;
  std::vector<std::string> lines;   // past 255, and with strings past 255: long forms
  std::vector<unsigned char> blob;  //
  std::array<unsigned long, 3> ids;
  std::vector<Leaf> leaves;
  std::map<std::string, std::vector<int>> index;
  std::unordered_map<int, bool> flags;
  std::variant<int, std::string, Leaf> payload;
  std::pair<long, std::tuple<bool, double>> extra;
  std::optional<std::vector<std::optional<Leaf>>> maybe;
  std::chrono::system_clock::time_point at;
  std::vector<Degrees> readings;
  std::set<std::string> labels;
  std::unordered_set<int> channels;
  std::deque<double> ring;  // past 255: the long form
  std::list<std::set<unsigned char>> groups;
};

inline Leaf draw_leaf(FuzzedDataProvider& in) {
  Leaf leaf{in.ConsumeIntegral<unsigned int>(),
            static_cast<Mood>(in.ConsumeIntegral<unsigned char>()), std::nullopt};
  if (in.ConsumeBool()) {
    leaf.note = in.ConsumeRandomLengthString(600);
  }
  return leaf;
}

inline Shapes draw_shapes(FuzzedDataProvider& in) {
  const auto bits32 = [&] { return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>()); };
  Shapes s{};
  s.where = {bits32(), bits32()};
  s.lines = draw_vector<std::string>(in, 300, [&] { return in.ConsumeRandomLengthString(300); });
  s.blob = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<std::size_t>(0, 600));
  s.ids = {in.ConsumeIntegral<unsigned long>(), in.ConsumeIntegral<unsigned long>(), 0};
  s.leaves = draw_vector<Leaf>(in, 8, [&] { return draw_leaf(in); });
  for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 4); n > 0; --n) {
    s.index[in.ConsumeRandomLengthString(16)] =
        draw_vector<int>(in, 8, [&] { return in.ConsumeIntegral<int>(); });
  }
  for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 4); n > 0; --n) {
    s.flags[in.ConsumeIntegral<int>()] = in.ConsumeBool();
  }
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      s.payload = in.ConsumeIntegral<int>();
      break;
    case 1:
      s.payload = in.ConsumeRandomLengthString(255);
      break;
    default:
      s.payload = draw_leaf(in);
  }
  s.extra = {in.ConsumeIntegral<long>(),
             {in.ConsumeBool(), std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>())}};
  if (in.ConsumeBool()) {
    s.maybe = draw_vector<std::optional<Leaf>>(in, 4, [&]() -> std::optional<Leaf> {
      if (in.ConsumeBool()) {
        return draw_leaf(in);
      }
      return std::nullopt;
    });
  }
  s.at = std::chrono::system_clock::time_point(
      std::chrono::system_clock::duration(in.ConsumeIntegral<long>()));
  s.readings = draw_vector<Degrees>(
      in, 4, [&] { return Degrees(std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>())); });
  for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 4); n > 0; --n) {
    s.labels.insert(in.ConsumeRandomLengthString(300));
  }
  for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 3); n > 0; --n) {
    s.channels.insert(in.ConsumeIntegral<int>());
  }
  const auto ring = draw_vector<double>(
      in, 300, [&] { return std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>()); });
  s.ring.assign(ring.begin(), ring.end());
  for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 3); n > 0; --n) {
    const auto bytes = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<std::size_t>(0, 4));
    s.groups.emplace_back(bytes.begin(), bytes.end());
  }
  return s;
}

}  // namespace morsel_fuzz

#endif  // MORSEL_FUZZ_SHAPES_H
