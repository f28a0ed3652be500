// Byte-level helpers shared by the encoders and decoders. Internal: not installed.
#ifndef MORSEL_WIRE_H
#define MORSEL_WIRE_H

#include <array>
#include <bit>
#include <climits>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace morsel::wire {

// The format fixes these widths; the kinds are tied to the C++ types below.
static_assert(CHAR_BIT == 8);
static_assert(sizeof(unsigned int) == 4 && sizeof(int) == 4);
static_assert(sizeof(unsigned long) == 8 && sizeof(long) == 8);
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8);

using Buffer = std::vector<unsigned char>;

// Writes `value` most significant byte first. The compiler merges the shifts into one byte swap
// and one store.
template <std::unsigned_integral U>
constexpr void store_be(unsigned char* out, U value) noexcept {
  for (std::size_t i = 0; i < sizeof(U); ++i) {
    out[i] = static_cast<unsigned char>(value >> (CHAR_BIT * (sizeof(U) - 1 - i)));
  }
}

template <std::unsigned_integral U>
constexpr U load_be(const unsigned char* in) noexcept {
  U value = 0;
  for (std::size_t i = 0; i < sizeof(U); ++i) {
    value = static_cast<U>(value << CHAR_BIT) | in[i];
  }
  return value;
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
void append_string_item(Buffer& out, std::string_view s);

// The one place decoders throw from.
[[noreturn]] void fail(std::string_view decoder, std::string_view what);
void require_size(std::string_view decoder, const Buffer& buffer, std::size_t size);
void require_tag(std::string_view decoder, unsigned char found, unsigned char expected);
// For tags inside an item: the message also names the byte's offset.
void require_tag_at(std::string_view decoder, const Buffer& buffer, std::size_t offset,
                    unsigned char expected);
void require_tag(std::string_view decoder, unsigned char found, unsigned char expected,
                 unsigned char alternative);

}  // namespace morsel::wire

#endif  // MORSEL_WIRE_H
