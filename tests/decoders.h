// Test helper: every decoder behind one signature, so tables can name the one that must reject.
#ifndef MORSEL_TESTS_DECODERS_H
#define MORSEL_TESTS_DECODERS_H

#include <ostream>
#include <utility>
#include <vector>

#include <morsel/morsel.h>

namespace morsel_test {

struct Decoder {
  const char* name;
  void (*decode)(std::vector<unsigned char>);
};

inline std::ostream& operator<<(std::ostream& out, const Decoder& decoder) {
  return out << decoder.name;
}

#define MORSEL_TEST_DECODER(fn)                                                \
  Decoder {                                                                    \
#fn, [](std::vector <unsigned char> b) { (void)morsel::fn(std::move(b)); } \
  }

inline const Decoder kBool = MORSEL_TEST_DECODER(deserialize_bool);
inline const Decoder kU8 = MORSEL_TEST_DECODER(deserialize_u8);
inline const Decoder kU32 = MORSEL_TEST_DECODER(deserialize_u32);
inline const Decoder kU64 = MORSEL_TEST_DECODER(deserialize_u64);
inline const Decoder kI8 = MORSEL_TEST_DECODER(deserialize_i8);
inline const Decoder kI32 = MORSEL_TEST_DECODER(deserialize_i32);
inline const Decoder kI64 = MORSEL_TEST_DECODER(deserialize_i64);
inline const Decoder kF32 = MORSEL_TEST_DECODER(deserialize_f32);
inline const Decoder kF64 = MORSEL_TEST_DECODER(deserialize_f64);
inline const Decoder kString = MORSEL_TEST_DECODER(deserialize_string);
inline const Decoder kU8Array = MORSEL_TEST_DECODER(deserialize_u8_array);
inline const Decoder kU64Array = MORSEL_TEST_DECODER(deserialize_u64_array);
inline const Decoder kF64Array = MORSEL_TEST_DECODER(deserialize_f64_array);
inline const Decoder kStringArray = MORSEL_TEST_DECODER(deserialize_string_array);
inline const Decoder kPerson = MORSEL_TEST_DECODER(deserialize_person);

}  // namespace morsel_test

#endif  // MORSEL_TESTS_DECODERS_H
