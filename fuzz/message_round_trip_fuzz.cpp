// Draws a random message of every kind of item, writes it, and reads it back both ways: typed
// reads give back every value bit for bit, and next() gives back every item with its kind (an
// empty f64 array reads as the empty u64 array it cannot be told from). The message's bytes also
// equal each value's serialize() one after the other.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <morsel/message.h>

#include "fuzz_support.h"
#include "shapes.h"

namespace {

using morsel_fuzz::require;

using Value =
    std::variant<bool, unsigned char, unsigned int, unsigned long, signed char, int, long, float,
                 double, std::string, std::vector<unsigned char>, std::vector<unsigned long>,
                 std::vector<double>, std::vector<std::string>, Person>;

constexpr std::size_t kLongest = 600;

Value draw_value(FuzzedDataProvider& in) {
  const auto bits = [&] { return in.ConsumeIntegral<std::uint64_t>(); };
  switch (in.ConsumeIntegralInRange<int>(0, 14)) {
    case 0:
      return in.ConsumeBool();
    case 1:
      return in.ConsumeIntegral<unsigned char>();
    case 2:
      return in.ConsumeIntegral<unsigned int>();
    case 3:
      return in.ConsumeIntegral<unsigned long>();
    case 4:
      return in.ConsumeIntegral<signed char>();
    case 5:
      return in.ConsumeIntegral<int>();
    case 6:
      return in.ConsumeIntegral<long>();
    case 7:  // from raw bits: NaN payloads, signed zeros and subnormals all occur
      return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
    case 8:
      return std::bit_cast<double>(bits());
    case 9:  // past 255 bytes or elements, values take their long form
      return in.ConsumeRandomLengthString(kLongest);
    case 10:
      return morsel_fuzz::draw_vector<unsigned char>(
          in, kLongest, [&] { return in.ConsumeIntegral<unsigned char>(); });
    case 11:
      return morsel_fuzz::draw_vector<unsigned long>(in, kLongest, bits);
    case 12:
      return morsel_fuzz::draw_vector<double>(in, kLongest,
                                              [&] { return std::bit_cast<double>(bits()); });
    case 13:
      return morsel_fuzz::draw_vector<std::string>(
          in, kLongest, [&] { return in.ConsumeRandomLengthString(kLongest); });
    default:
      return Person{in.ConsumeIntegral<std::uint8_t>(),
                    std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>()), ""};
  }
}

// Values compared bit for bit, so that NaNs and signed zeros count.
template <typename T>
std::uint64_t bits_of(T value) {
  if constexpr (std::is_same_v<T, float>) {
    return std::bit_cast<std::uint32_t>(value);
  } else if constexpr (std::is_same_v<T, double>) {
    return std::bit_cast<std::uint64_t>(value);
  } else {
    return static_cast<std::uint64_t>(value);
  }
}

template <typename T>
bool same(const T& a, const T& b) {
  if constexpr (std::is_same_v<T, Person>) {
    return a.age == b.age && bits_of(a.height) == bits_of(b.height);
  } else if constexpr (std::is_same_v<T, std::vector<double>>) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](double x, double y) { return bits_of(x) == bits_of(y); });
  } else if constexpr (std::is_arithmetic_v<T>) {
    return bits_of(a) == bits_of(b);
  } else {
    return a == b;
  }
}

// What next() returns for an item written from `value`, as the value's own type.
template <typename T>
T from_item(const morsel::item& item) {
  if constexpr (std::is_same_v<T, long>) {
    return std::bit_cast<long>(std::get<unsigned long>(item));
  } else if constexpr (std::is_same_v<T, std::string>) {
    return std::string(std::get<std::string_view>(item));
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    const auto bytes = std::get<std::span<const unsigned char>>(item);
    return {bytes.begin(), bytes.end()};
  } else if constexpr (std::is_same_v<T, std::vector<unsigned long>>) {
    return std::get<morsel::u64_array_view>(item).to_vector();
  } else if constexpr (std::is_same_v<T, std::vector<double>>) {
    if (const auto* empty = std::get_if<morsel::u64_array_view>(&item)) {
      require(empty->empty());
      return {};
    }
    return std::get<morsel::f64_array_view>(item).to_vector();
  } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
    return std::get<morsel::string_array_view>(item).to_vector();
  } else {
    return std::get<T>(item);
  }
}

// A value written as one item: every one but a string, a vector or an array past 255.
template <typename T>
bool one_item(const T& value) {
  if constexpr (std::is_same_v<T, std::vector<std::string>>) {
    return value.size() <= 255 &&
           std::all_of(value.begin(), value.end(), [](const auto& s) { return s.size() <= 255; });
  } else if constexpr (requires { value.size(); }) {
    return value.size() <= 255;
  } else {
    return true;
  }
}

// A long form walked item by item: a u32 holding the length or count, then parts that hold the
// value's bytes (a string's, a byte vector's) or its elements' items; ends where `end` is.
template <typename T>
void walk_long(morsel::reader& walked, const T& value, std::size_t end) {
  require(std::get<unsigned int>(walked.next()) == value.size());
  if constexpr (std::is_same_v<T, std::string>) {
    std::string joined;
    while (walked.offset() < end) {
      const auto part = std::get<std::string_view>(walked.next());
      require(part.size() == 255 || walked.offset() == end);
      joined += part;
    }
    require(joined == value);
  } else if constexpr (std::is_same_v<T, std::vector<unsigned char>>) {
    std::vector<unsigned char> joined;
    while (walked.offset() < end) {
      const auto part = std::get<std::span<const unsigned char>>(walked.next());
      require(part.size() == 255 || walked.offset() == end);
      joined.insert(joined.end(), part.begin(), part.end());
    }
    require(joined == value);
  } else if constexpr (std::is_same_v<T, std::vector<unsigned long>> ||
                       std::is_same_v<T, std::vector<double>>) {
    for (const auto element : value) {
      require(same(from_item<typename T::value_type>(walked.next()), element));
    }
  } else {
    while (walked.offset() < end) {  // strings, short or long: their items
      walked.skip();
    }
  }
  require(walked.offset() == end);
}

bool is_empty_wide_array(const Value& value) {
  if (const auto* longs = std::get_if<std::vector<unsigned long>>(&value)) {
    return longs->empty();
  }
  const auto* doubles = std::get_if<std::vector<double>>(&value);
  return doubles != nullptr && doubles->empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<Value> values;
  morsel::writer out;
  std::vector<unsigned char> serialized;
  while (in.remaining_bytes() > 0 && values.size() < 64) {
    Value value = draw_value(in);
    // An empty u64 or f64 array followed by a u8 item is the one sequence next() walks otherwise
    // than it was written (see reader.h), so the u8 item becomes a u32 item here.
    const bool ambiguous = !values.empty() && is_empty_wide_array(values.back()) &&
                           std::holds_alternative<unsigned char>(value);
    if (ambiguous) {
      value = 0U;
    }
    std::visit(
        [&](const auto& v) {
          const std::size_t start = out.size();
          out.write(v);
          // One item is what serialize writes; a long form is checked as it is walked below.
          const std::span<const unsigned char> written = out.bytes().subspan(start);
          const std::vector<unsigned char> item =
              one_item(v) ? morsel::serialize(v)
                          : std::vector<unsigned char>(written.begin(), written.end());
          serialized.insert(serialized.end(), item.begin(), item.end());
        },
        value);
    values.push_back(std::move(value));
  }
  const std::span<const unsigned char> bytes = out.bytes();
  require(std::equal(bytes.begin(), bytes.end(), serialized.begin(), serialized.end()));

  morsel::reader typed(bytes);
  morsel::reader walked(bytes);
  for (const Value& value : values) {
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          require(same(typed.read<T>(), v));
          if constexpr (requires { v.size(); }) {
            if (!one_item(v)) {
              walk_long(walked, v, typed.offset());
              return;
            }
          }
          require(same(from_item<T>(walked.next()), v));
        },
        value);
    require(typed.offset() == walked.offset());
  }
  require(typed.empty() && walked.empty());

  // A struct of every container: read back, it writes the same bytes again. (An unordered map
  // or set of more than one entry may iterate in another order once read.)
  if (in.remaining_bytes() > 0) {
    morsel_fuzz::Shapes shapes = morsel_fuzz::draw_shapes(in);
    if (shapes.flags.size() > 1) {
      shapes.flags.clear();
    }
    if (shapes.channels.size() > 1) {
      shapes.channels.clear();
    }
    morsel::writer first;
    first.write(shapes);
    morsel::reader back(first.bytes());
    const auto read = back.read<morsel_fuzz::Shapes>();
    require(back.empty());
    morsel::writer second;
    second.write(read);
    require(std::equal(first.bytes().begin(), first.bytes().end(), second.bytes().begin(),
                       second.bytes().end()));
  }
  return 0;
}
