// Draws typed values from the input and checks that each kind comes back bit for bit, and that
// the array and Person items have the sizes their layouts give.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <morsel/morsel.h>

#include "fuzz_support.h"

namespace {

using morsel_fuzz::require;

void scalar_round_trips(FuzzedDataProvider& in) {
  const auto bits = in.ConsumeIntegral<std::uint64_t>();
  const auto u32 = static_cast<std::uint32_t>(bits);
  const bool flag = (bits & 1U) != 0;
  const auto u8 = static_cast<unsigned char>(bits);
  const auto i8 = std::bit_cast<signed char>(u8);
  const auto i32 = std::bit_cast<int>(u32);
  const auto i64 = std::bit_cast<long>(bits);
  require(morsel::deserialize_bool(morsel::serialize(flag)) == flag);
  require(morsel::deserialize_u8(morsel::serialize(u8)) == u8);
  require(morsel::deserialize_i8(morsel::serialize(i8)) == i8);
  require(morsel::deserialize_u32(morsel::serialize(u32)) == u32);
  require(morsel::deserialize_i32(morsel::serialize(i32)) == i32);
  require(morsel::deserialize_u64(morsel::serialize(bits)) == bits);
  require(morsel::deserialize_i64(morsel::serialize(i64)) == i64);
  // Floats from raw bits: NaN payloads, signed zeros, infinities and subnormals all occur.
  const float f32 = std::bit_cast<float>(u32);
  const double f64 = std::bit_cast<double>(bits);
  require(std::bit_cast<std::uint32_t>(morsel::deserialize_f32(morsel::serialize(f32))) == u32);
  require(std::bit_cast<std::uint64_t>(morsel::deserialize_f64(morsel::serialize(f64))) == bits);
}

void string_round_trips(FuzzedDataProvider& in) {
  const std::string text = in.ConsumeRandomLengthString(1000);
  const std::vector<unsigned char> item = morsel::serialize(text);
  require(item.size() == 2 + text.size());
  require(morsel::deserialize_string(item) == text);
  require(morsel::serialize(text.c_str()) == morsel::serialize(text.substr(0, text.find('\0'))));
}

void array_round_trips(FuzzedDataProvider& in) {
  const auto bytes = morsel_fuzz::draw_vector<unsigned char>(
      in, 600, [&] { return in.ConsumeIntegral<unsigned char>(); });
  const auto longs = morsel_fuzz::draw_vector<unsigned long>(
      in, 600, [&] { return in.ConsumeIntegral<unsigned long>(); });
  const auto doubles = morsel_fuzz::draw_vector<double>(
      in, 600, [&] { return std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>()); });
  std::vector<std::string> strings(in.ConsumeIntegralInRange<std::size_t>(0, 300));
  std::size_t strings_size = 2;
  for (std::string& s : strings) {
    s = in.ConsumeRandomLengthString(255);
    strings_size += 2 + s.size();
  }

  const auto bytes_item = morsel::serialize(bytes);
  const auto longs_item = morsel::serialize(longs);
  const auto doubles_item = morsel::serialize(doubles);
  const auto strings_item = morsel::serialize(strings);
  require(bytes_item.size() == 3 + bytes.size());
  require(longs_item.size() == 2 + 9 * longs.size());
  require(doubles_item.size() == 2 + 9 * doubles.size());
  require(strings_item.size() == strings_size);

  require(morsel::deserialize_u8_array(bytes_item) == bytes);
  require(morsel::deserialize_u64_array(longs_item) == longs);
  require(morsel::deserialize_string_array(strings_item) == strings);
  const auto doubles_back = morsel::deserialize_f64_array(doubles_item);
  require(doubles_back.size() == doubles.size());
  for (std::size_t i = 0; i < doubles.size(); ++i) {
    require(std::bit_cast<std::uint64_t>(doubles_back[i]) ==
            std::bit_cast<std::uint64_t>(doubles[i]));
  }
}

void person_round_trip(FuzzedDataProvider& in) {
  const Person person{in.ConsumeIntegral<std::uint8_t>(),
                      std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>()),
                      in.ConsumeRandomLengthString(64)};
  const auto item = morsel::serialize(person);
  require(item.size() == 8);
  const Person back = morsel::deserialize_person(item);
  require(back.age == person.age);
  require(std::bit_cast<std::uint32_t>(back.height) == std::bit_cast<std::uint32_t>(person.height));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        scalar_round_trips(in);
        break;
      case 1:
        string_round_trips(in);
        break;
      case 2:
        array_round_trips(in);
        break;
      default:
        person_round_trip(in);
        break;
    }
  }
  return 0;
}
