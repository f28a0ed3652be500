// Person record encoder: [TAG_PERSON, TAG_U8, age, TAG_F32, height bits big-endian].
#include <array>
#include <bit>
#include <cstdint>

#include "morsel/morsel.h"
#include "morsel/wire.h"

namespace morsel {

std::vector<unsigned char> serialize(Person person) {
  std::array<unsigned char, 8> bytes{TAG_PERSON, TAG_U8, person.age, TAG_F32};
  wire::store_be(bytes.data() + 4, std::bit_cast<std::uint32_t>(person.height));
  return {bytes.begin(), bytes.end()};
}

}  // namespace morsel
