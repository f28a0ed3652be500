// Walks any input with reader::next() until it is empty or throws decode_error, and checks that
// typed reads of other kinds (a struct of every container among them) fail without moving or read
// a whole value, and that
// writing back what was read gives back the bytes it came from (4-byte strings under the generic
// tag excepted), that peek() and the typed read of each item's kind agree with next(), and that a
// throw leaves the reader where it was.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/message.h>

#include "fuzz_support.h"
#include "shapes.h"

namespace {

using morsel_fuzz::require;

// The typed read for `k` at the reader's cursor; returns how far it moved.
std::size_t read_as(morsel::reader in, morsel::kind k) {
  const std::size_t start = in.offset();
  switch (k) {
    case morsel::kind::boolean:
      (void)in.read<bool>();
      break;
    case morsel::kind::u8:
      (void)in.read<unsigned char>();
      break;
    case morsel::kind::u32:
      (void)in.read<unsigned int>();
      break;
    case morsel::kind::u64:
      (void)in.read<long>();
      break;
    case morsel::kind::i8:
      (void)in.read<signed char>();
      break;
    case morsel::kind::i32:
      (void)in.read<int>();
      break;
    case morsel::kind::f32:
      (void)in.read<float>();
      break;
    case morsel::kind::f64:
      (void)in.read<double>();
      break;
    case morsel::kind::string:
      (void)in.read<std::string>();
      break;
    case morsel::kind::u8_array:
      (void)in.read<std::vector<unsigned char>>();
      break;
    case morsel::kind::u64_array:
      (void)in.read<std::vector<unsigned long>>();
      break;
    case morsel::kind::f64_array:
      (void)in.read<morsel::f64_array_view>();
      break;
    case morsel::kind::string_array:
      (void)in.read<std::vector<std::string>>();
      break;
    case morsel::kind::person:
      (void)in.read<Person>();
      break;
  }
  return in.offset() - start;
}

// A typed read of the wrong kind either fails without moving or reads some item whole.
template <typename T>
void try_read(morsel::reader in) {
  const std::size_t start = in.offset();
  try {
    (void)in.read<T>();
    require(in.offset() > start && in.offset() <= in.bytes().size());
  } catch (const morsel::decode_error&) {
    require(in.offset() == start);
  }
}

// The writer puts every 4-byte string under 0xAA; a reader also takes one under the generic tag
// 0xAB. Re-written bytes differ from the input in such tags only.
bool same_but_string_tags(std::span<const unsigned char> written,
                          std::span<const unsigned char> input) {
  if (written.size() > input.size()) {
    return false;
  }
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (written[i] != input[i] && !(written[i] == morsel::TAG_STR4 && input[i] == morsel::TAG_STR &&
                                    i + 1 < written.size() && input[i + 1] == 4)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> bytes(data, size);
  morsel::reader in(bytes);
  morsel::writer again;
  while (!in.empty()) {
    const std::size_t start = in.offset();
    try_read<unsigned int>(in);
    try_read<std::string_view>(in);
    try_read<std::vector<double>>(in);
    try_read<morsel::string_array_view>(in);
    try_read<Person>(in);
    try_read<morsel_fuzz::Shapes>(in);
    try {
      const morsel::kind peeked = in.peek();
      const morsel::item item = in.next();
      require(morsel::kind_of(item) == peeked);
      again.write(item);
      require(again.size() == in.offset());
      morsel::reader at_item(bytes.subspan(start));
      require(read_as(at_item, peeked) == in.offset() - start);
    } catch (const morsel::decode_error&) {
      require(in.offset() == start);
      break;
    }
  }
  require(same_but_string_tags(again.bytes(), bytes));
  return 0;
}
