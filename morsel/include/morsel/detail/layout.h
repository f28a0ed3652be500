// The byte layout of every item, written once: the lone-item codecs, the message writer and the
// message reader all build and take apart items with these functions. It is a public header only
// because the message API is inline; nothing here is part of the interface. Needs C++20.
#ifndef MORSEL_DETAIL_LAYOUT_H
#define MORSEL_DETAIL_LAYOUT_H

#include <array>
#include <bit>
#include <climits>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include <morsel/kind.h>
#include <morsel/morsel.h>

namespace morsel::detail {

// The format fixes these widths; the kinds are tied to the C++ types below.
static_assert(CHAR_BIT == 8);
static_assert(sizeof(unsigned int) == 4 && sizeof(int) == 4);
static_assert(sizeof(unsigned long) == 8 && sizeof(long) == 8);
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8);

// Big-endian order of a value's bytes, by one byte swap instruction on a little-endian host.
template <std::unsigned_integral U>
constexpr U to_big_endian(U value) noexcept {
  if constexpr (std::endian::native == std::endian::big || sizeof(U) == 1) {
    return value;
  } else if constexpr (sizeof(U) == 4) {
    return __builtin_bswap32(value);
  } else {
    static_assert(sizeof(U) == 8);
    return __builtin_bswap64(value);
  }
}

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

// A length or count byte holds the value modulo 256.
constexpr unsigned char low_byte(std::size_t n) noexcept {
  return static_cast<unsigned char>(n);
}

// The largest string length or array count that a length or count byte holds exactly.
inline constexpr std::size_t kMaxCount = 255;

// ---- Scalars: [tag, payload big-endian]. `item_kind` is the kind the type is written as, `bits`
// the payload's unsigned type; the tag and the size come from the kind's row of the table.

template <typename T>
struct scalar;  // no layout: not a scalar kind
template <>
struct scalar<unsigned char> {
  static constexpr kind item_kind = kind::u8;
  using bits = std::uint8_t;
};
template <>
struct scalar<unsigned int> {
  static constexpr kind item_kind = kind::u32;
  using bits = std::uint32_t;
};
template <>
struct scalar<unsigned long> {
  static constexpr kind item_kind = kind::u64;
  using bits = std::uint64_t;
};
template <>
struct scalar<signed char> {
  static constexpr kind item_kind = kind::i8;
  using bits = std::uint8_t;
};
template <>
struct scalar<int> {
  static constexpr kind item_kind = kind::i32;
  using bits = std::uint32_t;
};
template <>
struct scalar<long> {  // i64 has no tag of its own
  static constexpr kind item_kind = kind::u64;
  using bits = std::uint64_t;
};
template <>
struct scalar<float> {
  static constexpr kind item_kind = kind::f32;
  using bits = std::uint32_t;
};
template <>
struct scalar<double> {
  static constexpr kind item_kind = kind::f64;
  using bits = std::uint64_t;
};

template <typename T>
concept scalar_kind = requires {
  scalar<T>::item_kind;
};

template <scalar_kind T>
inline constexpr unsigned char scalar_tag = info(scalar<T>::item_kind).tag;

// The word a scalar type is spelled with in a schema: its kind's, but "i64" for long.
template <scalar_kind T>
inline constexpr std::string_view scalar_word = std::is_same_v<T, long>
                                                    ? kI64Word
                                                    : info(scalar<T>::item_kind).word;

template <scalar_kind T>
inline constexpr std::size_t scalar_size = info(scalar<T>::item_kind).fixed_size;
template <scalar_kind T>
inline constexpr bool scalar_layout_agrees = scalar_size<T> == 1 + sizeof(typename scalar<T>::bits);

template <scalar_kind T>
inline unsigned char* put_scalar(unsigned char* out, T value) noexcept {
  static_assert(scalar_layout_agrees<T>);
  out[0] = scalar_tag<T>;
  store_be(out + 1, std::bit_cast<typename scalar<T>::bits>(value));
  return out + scalar_size<T>;
}

// The payload of the scalar item at `item`, whatever its tag says.
template <scalar_kind T>
inline T scalar_payload(const unsigned char* item) noexcept {
  return std::bit_cast<T>(load_be<typename scalar<T>::bits>(item + 1));
}

// bool: the tag is the value; no payload.
constexpr unsigned char bool_tag(bool value) noexcept {
  return value ? TAG_TRUE : TAG_FALSE;
}

// ---- Strings: [TAG_STR4 or TAG_STR, length % 256, bytes...].

inline constexpr std::size_t kStringHeaderSize = info(kind::string).header_size;

// The length a string has under TAG_STR4, and only under it.
inline constexpr std::size_t kStr4Length = 4;

constexpr unsigned char string_tag(std::size_t length) noexcept {
  return length == kStr4Length ? TAG_STR4 : TAG_STR;
}
constexpr bool is_string_tag(unsigned char tag) noexcept {
  return tag == TAG_STR4 || tag == TAG_STR;
}
// A string item's tag and length byte agree: 0xAB with any length, 0xAA with length 4. Written
// without short-circuits, so that the reader's hot path tests it with one branch, not three.
constexpr bool is_string_header(unsigned char tag, unsigned char length) noexcept {
  const unsigned generic = tag == TAG_STR ? 1U : 0U;
  const unsigned four = (tag == TAG_STR4 ? 1U : 0U) & (length == kStr4Length ? 1U : 0U);
  return (generic | four) != 0U;
}
constexpr std::size_t string_item_size(std::string_view s) noexcept {
  return kStringHeaderSize + s.size();
}

// The two bytes before a string's bytes.
constexpr std::array<unsigned char, kStringHeaderSize> string_header(std::size_t length) noexcept {
  return {string_tag(length), low_byte(length)};
}

inline unsigned char* put_string(unsigned char* out, std::string_view s) noexcept {
  const auto header = string_header(s.size());
  std::memcpy(out, header.data(), header.size());
  if (!s.empty()) {  // memcpy from the null data() of an empty view is undefined
    std::memcpy(out + kStringHeaderSize, s.data(), s.size());
  }
  return out + kStringHeaderSize + s.size();
}

// GCC at -O3 checks the copies below against a string literal of known size in branches that
// its length rules out, and warns of reads past it; the branches are never taken for it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif

// The first and the last W of n bytes (W <= n <= 2W), by two fixed-size copies that overlap.
template <std::size_t W>
inline void copy_ends(unsigned char* out, const char* in, std::size_t n) noexcept {
  std::memcpy(out, in, W);
  std::memcpy(out + n - W, in + n - W, W);
}

// The same bytes as put_string, for a string of at most 255 bytes, copied without a call for the
// common short ones: two overlapping fixed-size copies cover any length from 4 to 32.
inline void put_short_string(unsigned char* out, std::string_view s) noexcept {
  const auto header = string_header(s.size());
  std::memcpy(out, header.data(), header.size());
  unsigned char* bytes = out + kStringHeaderSize;
  const char* in = s.data();
  const std::size_t n = s.size();
  if (n > 32) {
    std::memcpy(bytes, in, n);
  } else if (n >= 16) {
    copy_ends<16>(bytes, in, n);
  } else if (n >= 8) {
    copy_ends<8>(bytes, in, n);
  } else if (n >= 4) {
    copy_ends<4>(bytes, in, n);
  } else if (n != 0) {  // 1 to 3 bytes: the first, the middle and the last
    bytes[0] = static_cast<unsigned char>(in[0]);
    bytes[n / 2] = static_cast<unsigned char>(in[n / 2]);
    bytes[n - 1] = static_cast<unsigned char>(in[n - 1]);
  }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

inline std::string_view string_bytes(const unsigned char* item, std::size_t length) noexcept {
  return {reinterpret_cast<const char*>(item + kStringHeaderSize), length};
}

// ---- Arrays: [tag, count % 256, elements...].
//  bytes:   TAG_ARRAY, count, TAG_U8 (written even when empty), the raw bytes
//  u64/f64: TAG_ARRAY, count, one 9-byte scalar item per element
//  strings: TAG_STR_ARRAY, count, one string item per element

inline constexpr std::size_t kArrayHeaderSize = info(kind::u64_array).header_size;
inline constexpr std::size_t kByteArrayHeaderSize = info(kind::u8_array).header_size;
inline constexpr std::size_t kWideItemSize = info(kind::u64).fixed_size;

template <typename T>
concept wide_element = std::same_as<T, unsigned long> || std::same_as<T, double>;

constexpr std::size_t byte_array_size(std::size_t count) noexcept {
  return kByteArrayHeaderSize + count;
}
constexpr std::size_t wide_array_size(std::size_t count) noexcept {
  return kArrayHeaderSize + kWideItemSize * count;
}
template <typename S>  // std::string or std::string_view
inline std::size_t string_array_size(std::span<const S> values) noexcept {
  std::size_t size = kArrayHeaderSize;
  for (const S& value : values) {
    size += string_item_size(value);
  }
  return size;
}

// The two bytes before the elements of a u64, f64 or string array.
inline unsigned char* put_array_header(unsigned char* out, unsigned char tag,
                                       std::size_t count) noexcept {
  out[0] = tag;
  out[1] = low_byte(count);
  return out + kArrayHeaderSize;
}

// The three bytes before a byte array's elements.
constexpr std::array<unsigned char, kByteArrayHeaderSize> byte_array_header(
    std::size_t count) noexcept {
  return {TAG_ARRAY, low_byte(count), TAG_U8};
}

inline unsigned char* put_byte_array(unsigned char* out,
                                     std::span<const unsigned char> values) noexcept {
  const auto header = byte_array_header(values.size());
  std::memcpy(out, header.data(), header.size());
  if (!values.empty()) {
    std::memcpy(out + kByteArrayHeaderSize, values.data(), values.size());
  }
  return out + byte_array_size(values.size());
}

// Writes `count` items [tag, the 8 bytes of a value most significant first], one per 8-byte value
// whose object representation starts at `values`. Out of line: it picks a vector path at run time.
void write_wide_items(unsigned char* out, const unsigned char* values, std::size_t count,
                      unsigned char tag);

template <wide_element T>
inline unsigned char* put_wide_array(unsigned char* out, std::span<const T> values) {
  write_wide_items(put_array_header(out, TAG_ARRAY, values.size()),
                   reinterpret_cast<const unsigned char*>(values.data()), values.size(),
                   scalar_tag<T>);
  return out + wide_array_size(values.size());
}

template <typename S>  // std::string or std::string_view
inline unsigned char* put_string_array(unsigned char* out, std::span<const S> values) noexcept {
  unsigned char* cursor = put_array_header(out, TAG_STR_ARRAY, values.size());
  for (const S& value : values) {
    cursor = put_string(cursor, value);
  }
  return cursor;
}

// The largest item: a string array of 255 strings of 255 bytes.
inline constexpr std::size_t kMostItemSize =
    kArrayHeaderSize + kMaxCount * (kStringHeaderSize + kMaxCount);

// ---- Person: [TAG_PERSON, u8 item of age, f32 item of height].

inline constexpr std::size_t kPersonSize = info(kind::person).fixed_size;

// An item inside another, at a fixed offset.
struct inner_item {
  std::size_t offset;
  unsigned char tag;
};
inline constexpr std::size_t kPersonAgeItem = 1;     // offset of the u8 item
inline constexpr std::size_t kPersonHeightItem = 3;  // offset of the f32 item
inline constexpr std::array<inner_item, 2> kPersonItems{
    {{kPersonAgeItem, scalar_tag<unsigned char>}, {kPersonHeightItem, scalar_tag<float>}}};

inline unsigned char* put_person(unsigned char* out, const Person& person) noexcept {
  out[0] = TAG_PERSON;
  put_scalar<unsigned char>(out + kPersonAgeItem, person.age);
  put_scalar(out + kPersonHeightItem, person.height);
  return out + kPersonSize;
}

// The members of a Person item whose inner tags have been checked.
inline Person person_members(const unsigned char* item) {
  Person person;
  person.age = scalar_payload<unsigned char>(item + kPersonAgeItem);
  person.height = scalar_payload<float>(item + kPersonHeightItem);
  return person;
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_LAYOUT_H
