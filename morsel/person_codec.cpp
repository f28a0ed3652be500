// Person record codec: [TAG_PERSON, TAG_U8, age, TAG_F32, height bits big-endian].
#include <array>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

#include "lone_items.h"

namespace morsel {

std::vector<unsigned char> serialize(Person person) {
  std::array<unsigned char, detail::kPersonSize> bytes{};
  detail::put_person(bytes.data(), person);
  return {bytes.begin(), bytes.end()};
}

Person deserialize_person(std::vector<unsigned char> buffer) {
  lone::require<kind::person>("deserialize_person", buffer);
  return detail::person_members(buffer.data());
}

}  // namespace morsel
