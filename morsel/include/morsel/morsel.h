// morsel: a compact, self-describing byte format for single values.
//
// Every item is one tag byte followed by the payload the tag implies; multi-byte numbers and
// float bit patterns are written most significant byte first. Encoders are all named
// `serialize` and are chosen by the argument's static type; decoders are named `deserialize_`
// plus the kind. Every function is free and stateless: encoders return a fresh buffer the caller
// owns, decoders work on their own copy of the buffer they are given.
//
// Rules a decoder applies that may surprise:
//  - A scalar decoder reads the item at index 0 and ignores any bytes after it.
//  - `deserialize_f32` and `deserialize_f64` check the length only, not the tag: any 5-byte
//    (9-byte) item is read as a float (double) bit pattern.
//  - `deserialize_string` ignores the length byte and takes every byte from index 2 to the end of
//    the buffer, so a string item must stand alone in its buffer.
//  - Lengths and counts are written modulo 256; the bytes of longer strings and arrays are all
//    written.
//  - i64 items share the u64 tag: each of the two decoders accepts the other's items.
//
// Failures: malformed input makes a decoder throw `morsel::decode_error`. An encoder fails only
// when memory runs out (std::bad_alloc propagates) or, for a string given as a null `const char*`
// (or `const char8_t*`), with std::invalid_argument.
//
// Pointers: a `char*` or `const char*` is a C string and writes a string item. Any other pointer
// argument (`int*`, `const unsigned char*`, a byte array that decays to one) would convert to bool
// and write TAG_TRUE, so it does not compile: pass the value, a std::string or a std::vector.
#ifndef MORSEL_MORSEL_H
#define MORSEL_MORSEL_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// A record with a fixed item layout. Only `age` and `height` are encoded; `name` is carried by the
// program but never written.
struct Person {
  std::uint8_t age = 0;
  float height = 0.0F;
  std::string name;
};

namespace morsel {

inline constexpr unsigned char TAG_TRUE = 0xA0;
inline constexpr unsigned char TAG_FALSE = 0xA1;
inline constexpr unsigned char TAG_U8 = 0xA2;
inline constexpr unsigned char TAG_U32 = 0xA3;
inline constexpr unsigned char TAG_U64 = 0xA4;  // also i64
inline constexpr unsigned char TAG_I8 = 0xA5;
inline constexpr unsigned char TAG_I32 = 0xA6;
inline constexpr unsigned char TAG_F32 = 0xA8;
inline constexpr unsigned char TAG_F64 = 0xA9;
inline constexpr unsigned char TAG_STR4 = 0xAA;  // string of exactly 4 bytes
inline constexpr unsigned char TAG_STR = 0xAB;   // string of any other length
inline constexpr unsigned char TAG_ARRAY = 0xAC;
inline constexpr unsigned char TAG_STR_ARRAY = 0xAD;
inline constexpr unsigned char TAG_PERSON = 0xAE;

// Thrown by every decoder for a buffer that is too short or starts with the wrong tag. The
// message names the decoder and what was wrong, e.g. "deserialize_u32: need 5 bytes, got 4".
// `stopped_at()` is the offset of the byte where decoding stopped: the byte that is wrong, or the
// end of the bytes when they end too soon.
class decode_error : public std::runtime_error {
 public:
  explicit decode_error(const std::string& what, std::size_t stopped_at = 0)
      : std::runtime_error(what), stopped_at_(stopped_at) {}
  std::size_t stopped_at() const noexcept { return stopped_at_; }

 private:
  std::size_t stopped_at_;
};

// Scalars: [tag, payload...].
std::vector<unsigned char> serialize(bool value);
std::vector<unsigned char> serialize(unsigned char value);
std::vector<unsigned char> serialize(unsigned int value);
std::vector<unsigned char> serialize(unsigned long value);
std::vector<unsigned char> serialize(signed char value);
std::vector<unsigned char> serialize(int value);
std::vector<unsigned char> serialize(long value);  // written under TAG_U64
std::vector<unsigned char> serialize(float value);
std::vector<unsigned char> serialize(double value);

// Strings: [TAG_STR4 or TAG_STR, length % 256, bytes...]. Bytes are copied verbatim.
std::vector<unsigned char> serialize(std::string value);
std::vector<unsigned char> serialize(std::string_view value);
// Same bytes as serialize(std::string(value)). Without this overload a string literal would
// convert to bool and encode as TAG_TRUE. Throws std::invalid_argument for a null pointer.
std::vector<unsigned char> serialize(const char* value);
#ifdef __cpp_char8_t
// A UTF-8 literal (u8"...") writes its bytes as a string item, like a `const char*`.
std::vector<unsigned char> serialize(const char8_t* value);
#endif

namespace detail {
template <typename T>
inline constexpr bool is_char_pointee = std::is_same_v<std::remove_cv_t<T>, char>
#ifdef __cpp_char8_t
                                        || std::is_same_v<std::remove_cv_t<T>, char8_t>
#endif
    ;
template <typename>
inline constexpr bool dependent_false = false;
}  // namespace detail

// Every other pointer lands here instead of converting to bool.
template <typename T, std::enable_if_t<!detail::is_char_pointee<T>, int> = 0>
std::vector<unsigned char> serialize(T* /*pointer*/) {
  static_assert(detail::dependent_false<T>,
                "morsel::serialize: a pointer would be written as the bool true; pass the value "
                "it points to, a std::string or a std::vector");
  return {};
}
template <typename T, typename Class>
std::vector<unsigned char> serialize(T Class::* /*member*/) {
  static_assert(detail::dependent_false<T>,
                "morsel::serialize: a pointer to member would be written as the bool true; pass "
                "the member's value");
  return {};
}

// Arrays: [tag, count % 256, elements...].
//  bytes:   TAG_ARRAY, count, TAG_U8, then the raw bytes (TAG_U8 is written even when empty)
//  u64/f64: TAG_ARRAY, count, then one 9-byte u64 or f64 item per element
//  strings: TAG_STR_ARRAY, count, then one string item per element
std::vector<unsigned char> serialize(std::vector<unsigned char> values);
std::vector<unsigned char> serialize(std::vector<unsigned long> values);
std::vector<unsigned char> serialize(std::vector<double> values);
std::vector<unsigned char> serialize(std::vector<std::string> values);

// Person: [TAG_PERSON, u8 item of age, f32 item of height], 8 bytes.
std::vector<unsigned char> serialize(Person person);

bool deserialize_bool(std::vector<unsigned char> buffer);
unsigned char deserialize_u8(std::vector<unsigned char> buffer);
unsigned int deserialize_u32(std::vector<unsigned char> buffer);
unsigned long deserialize_u64(std::vector<unsigned char> buffer);  // TAG_U64
signed char deserialize_i8(std::vector<unsigned char> buffer);
int deserialize_i32(std::vector<unsigned char> buffer);
long deserialize_i64(std::vector<unsigned char> buffer);    // TAG_U64
float deserialize_f32(std::vector<unsigned char> buffer);   // any tag, 5 bytes or more
double deserialize_f64(std::vector<unsigned char> buffer);  // any tag, 9 bytes or more
std::string deserialize_string(std::vector<unsigned char> buffer);

// Array and Person decoders. An array item must stand alone in its buffer: its elements run to the
// end of the buffer, and the count byte must equal their number modulo 256.
//  - deserialize_u8_array: TAG_ARRAY, count, TAG_U8, then the bytes.
//  - deserialize_u64_array, deserialize_f64_array: TAG_ARRAY, count, then whole 9-byte u64 (f64)
//    items; TAG_ARRAY 00 alone is the empty array. Doubles come back bit for bit.
//  - deserialize_string_array: TAG_STR_ARRAY, count, then string items, each TAG_STR4 with length
//    byte 4 or TAG_STR with any length byte, followed by that many bytes. An element longer than
//    255 bytes is written with its length modulo 256 and cannot be read back; such input is
//    rejected wherever the walk can tell, and may otherwise decode to other strings.
//  - deserialize_person: TAG_PERSON, TAG_U8, age, TAG_F32, height; bytes after it are ignored and
//    members other than age and height are default.
std::vector<unsigned char> deserialize_u8_array(std::vector<unsigned char> buffer);
std::vector<unsigned long> deserialize_u64_array(std::vector<unsigned char> buffer);
std::vector<double> deserialize_f64_array(std::vector<unsigned char> buffer);
std::vector<std::string> deserialize_string_array(std::vector<unsigned char> buffer);
Person deserialize_person(std::vector<unsigned char> buffer);

// Prints "[ " then each byte as "%x " then "]" and a newline to standard output.
void printVec(const std::vector<unsigned char>& buffer);

}  // namespace morsel

#endif  // MORSEL_MORSEL_H
