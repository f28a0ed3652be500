// Person record codec: [TAG_PERSON, TAG_U8, age, TAG_F32, height bits big-endian].
#include <array>
#include <string_view>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

#include "wire.h"

namespace morsel {

std::vector<unsigned char> serialize(Person person) {
  std::array<unsigned char, detail::kPersonSize> bytes{};
  detail::put_person(bytes.data(), person);
  return {bytes.begin(), bytes.end()};
}

Person deserialize_person(std::vector<unsigned char> buffer) {
  constexpr std::string_view decoder = "deserialize_person";
  wire::require_size(decoder, buffer, detail::kPersonSize);
  wire::require_tag(decoder, buffer[0], TAG_PERSON);
  wire::require_tag_at(decoder, buffer, detail::kPersonAgeItem, TAG_U8);
  wire::require_tag_at(decoder, buffer, detail::kPersonHeightItem, TAG_F32);
  return detail::person_members(buffer.data());
}

}  // namespace morsel
