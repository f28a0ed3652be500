// Byte-level helpers shared by the encoders and decoders. Internal: not installed.
#ifndef MORSEL_WIRE_H
#define MORSEL_WIRE_H

#include <array>
#include <bit>
#include <climits>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include <morsel/morsel.h>

namespace morsel::wire {

// The format fixes these widths; the kinds are tied to the C++ types below.
static_assert(CHAR_BIT == 8);
static_assert(sizeof(unsigned int) == 4 && sizeof(int) == 4);
static_assert(sizeof(unsigned long) == 8 && sizeof(long) == 8);
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8);

using Buffer = std::vector<unsigned char>;

// Big-endian order of a value's bytes, by one byte swap instruction on a little-endian host.
template <std::unsigned_integral U>
constexpr U to_big_endian(U value) noexcept {
  if constexpr (std::endian::native == std::endian::big || sizeof(U) == 1) {
    return value;
  } else if constexpr (sizeof(U) == 2) {
    return __builtin_bswap16(value);
  } else if constexpr (sizeof(U) == 4) {
    return __builtin_bswap32(value);
  } else {
    static_assert(sizeof(U) == 8);
    return __builtin_bswap64(value);
  }
}

// Writes `value` most significant byte first.
template <std::unsigned_integral U>
inline void store_be(unsigned char* out, U value) noexcept {
  const U big_endian = to_big_endian(value);
  std::memcpy(out, &big_endian, sizeof big_endian);
}

template <std::unsigned_integral U>
inline U load_be(const unsigned char* in) noexcept {
  U big_endian = 0;
  std::memcpy(&big_endian, in, sizeof big_endian);
  return to_big_endian(big_endian);
}

// A tag followed by the big-endian payload, built on the stack and copied into a buffer of
// exactly its size: one allocation per item.
template <std::unsigned_integral U>
Buffer scalar_item(unsigned char tag, U payload) {
  std::array<unsigned char, 1 + sizeof(U)> bytes{};
  bytes[0] = tag;
  store_be(bytes.data() + 1, payload);
  return Buffer(bytes.begin(), bytes.end());
}

// Arrays: tag and count byte, then the elements; u64 and f64 elements are 9-byte items.
inline constexpr std::size_t kArrayHeaderSize = 2;
inline constexpr std::size_t kWideItemSize = 9;

inline unsigned char low_byte(std::size_t n) noexcept {
  return static_cast<unsigned char>(n);
}

// A string item: [TAG_STR4 or TAG_STR, length % 256, bytes...].
constexpr std::size_t string_item_size(std::string_view s) noexcept {
  return 2 + s.size();
}
constexpr unsigned char string_tag(std::string_view s) noexcept {
  return s.size() == 4 ? TAG_STR4 : TAG_STR;
}
inline const unsigned char* bytes_of(std::string_view s) noexcept {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// The one place decoders throw from.
[[noreturn]] void fail(std::string_view decoder, std::string_view what);

// Cold paths that build the message; out of line so the checks below stay small.
[[noreturn]] void fail_size(std::string_view decoder, std::size_t size, std::size_t needed);
[[noreturn]] void fail_tag(std::string_view decoder, unsigned char found, unsigned char expected);
[[noreturn]] void fail_tags(std::string_view decoder, unsigned char found, unsigned char expected,
                            unsigned char alternative);
[[noreturn]] void fail_tag_at(std::string_view decoder, std::size_t offset, unsigned char found,
                              unsigned char expected);

inline void require_size(std::string_view decoder, const Buffer& buffer, std::size_t size) {
  if (buffer.size() < size) [[unlikely]] {
    fail_size(decoder, buffer.size(), size);
  }
}

inline void require_tag(std::string_view decoder, unsigned char found, unsigned char expected) {
  if (found != expected) [[unlikely]] {
    fail_tag(decoder, found, expected);
  }
}

inline void require_tag(std::string_view decoder, unsigned char found, unsigned char expected,
                        unsigned char alternative) {
  if (found != expected && found != alternative) [[unlikely]] {
    fail_tags(decoder, found, expected, alternative);
  }
}

// For tags inside an item: the message also names the byte's offset.
inline void require_tag_at(std::string_view decoder, const Buffer& buffer, std::size_t offset,
                           unsigned char expected) {
  if (buffer[offset] != expected) [[unlikely]] {
    fail_tag_at(decoder, offset, buffer[offset], expected);
  }
}

}  // namespace morsel::wire

#endif  // MORSEL_WIRE_H
