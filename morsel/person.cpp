// Person record codec: [TAG_PERSON, TAG_U8, age, TAG_F32, height bits big-endian].
#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include <morsel/morsel.h>
#include "wire.h"

namespace morsel {

std::vector<unsigned char> serialize(Person person) {
  std::array<unsigned char, 8> bytes{TAG_PERSON, TAG_U8, person.age, TAG_F32};
  wire::store_be(bytes.data() + 4, std::bit_cast<std::uint32_t>(person.height));
  return {bytes.begin(), bytes.end()};
}

Person deserialize_person(std::vector<unsigned char> buffer) {
  constexpr std::string_view decoder = "deserialize_person";
  wire::require_size(decoder, buffer, 8);
  wire::require_tag(decoder, buffer[0], TAG_PERSON);
  wire::require_tag_at(decoder, buffer, 1, TAG_U8);
  wire::require_tag_at(decoder, buffer, 3, TAG_F32);
  Person person;
  person.age = buffer[2];
  person.height = std::bit_cast<float>(wire::load_be<std::uint32_t>(buffer.data() + 4));
  return person;
}

}  // namespace morsel
