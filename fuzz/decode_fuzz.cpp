// Hands the input to every decoder. Each must return or throw morsel::decode_error; any other
// exception, a crash or a sanitizer report is a finding. A value that decodes must also encode
// back to the bytes it came from, as far as the format keeps them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <morsel/morsel.h>

#include "fuzz_support.h"

namespace {

using morsel_fuzz::require;

using Buffer = std::vector<unsigned char>;

template <typename Decoder>
auto try_decode(Decoder decode, const Buffer& buffer) -> std::optional<decltype(decode(buffer))> {
  try {
    return decode(buffer);
  } catch (const morsel::decode_error&) {
    return std::nullopt;
  }
}

bool starts_with(const Buffer& buffer, const Buffer& prefix) {
  return buffer.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), buffer.begin());
}

// Integers, bool and Person check their tags: re-encoding gives back the item's bytes.
template <typename Decoder>
void check_exact_prefix(Decoder decode, const Buffer& buffer) {
  if (const auto value = try_decode(decode, buffer)) {
    require(starts_with(buffer, morsel::serialize(*value)));
  }
}

// The float decoders ignore the tag: only the payload comes back.
template <typename Decoder>
void check_payload(Decoder decode, const Buffer& buffer) {
  if (const auto value = try_decode(decode, buffer)) {
    const Buffer item = morsel::serialize(*value);
    require(std::equal(item.begin() + 1, item.end(), buffer.begin() + 1));
  }
}

// Arrays of numbers stand alone in their buffer and check every tag and the count.
template <typename Decoder>
void check_whole_buffer(Decoder decode, const Buffer& buffer) {
  if (const auto value = try_decode(decode, buffer)) {
    require(morsel::serialize(*value) == buffer);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Buffer buffer(data, data + size);

  check_exact_prefix(morsel::deserialize_bool, buffer);
  check_exact_prefix(morsel::deserialize_u8, buffer);
  check_exact_prefix(morsel::deserialize_u32, buffer);
  check_exact_prefix(morsel::deserialize_u64, buffer);
  check_exact_prefix(morsel::deserialize_i8, buffer);
  check_exact_prefix(morsel::deserialize_i32, buffer);
  check_exact_prefix(morsel::deserialize_i64, buffer);
  check_exact_prefix(morsel::deserialize_person, buffer);
  check_payload(morsel::deserialize_f32, buffer);
  check_payload(morsel::deserialize_f64, buffer);
  check_whole_buffer(morsel::deserialize_u8_array, buffer);
  check_whole_buffer(morsel::deserialize_u64_array, buffer);
  check_whole_buffer(morsel::deserialize_f64_array, buffer);

  // The string decoder ignores the length byte, and a 4-byte string may arrive under the generic
  // tag: the bytes after the header come back.
  if (const auto text = try_decode(morsel::deserialize_string, buffer)) {
    const Buffer item = morsel::serialize(*text);
    require(std::equal(item.begin() + 2, item.end(), buffer.begin() + 2, buffer.end()));
  }
  // A string array re-encodes to the same size, and decodes to the same strings again.
  if (const auto strings = try_decode(morsel::deserialize_string_array, buffer)) {
    const Buffer item = morsel::serialize(*strings);
    require(item.size() == buffer.size());
    require(morsel::deserialize_string_array(item) == *strings);
  }
  return 0;
}
