// The long form of a value whose length or count does not fit in a byte, written once: inside a
// message a string, a byte vector or an array of more than 255 bytes or elements is a u32 item
// holding the length or count, then the value, as items that say where they end. No tag is new:
//
//   string of n > 255 bytes   A3 n, then string items of 255 bytes (AB FF ...), the last holding
//                             the rest (1 to 255 bytes; AA 04 when it is 4, as every 4-byte string)
//   bytes, n > 255            A3 n, then u8 array items of 255 (AC FF A2 ...), the last the rest
//   u64 or f64 array, n > 255 A3 n, then the n elements' 9-byte items
//
// (A string array's long form is the u32 count and each string, short or long: the convention
// of any other vector, in conventions_arrays.h.) Every value has one encoding: a long form of a
// value that fits the short one, or a part of another size, is refused. Needs C++20.
#ifndef MORSEL_DETAIL_LONG_FORM_H
#define MORSEL_DETAIL_LONG_FORM_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include <morsel/detail/layout.h>
#include <morsel/detail/measure.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

namespace morsel::detail {

// The most a part holds, and the largest length the u32 item holds.
inline constexpr std::size_t kPartSize = kMaxCount;
inline constexpr std::size_t kMaxLongLength = 0xFFFFFFFF;
inline constexpr std::size_t kLengthItemSize = scalar_size<unsigned int>;
inline constexpr unsigned char kLongTag = scalar_tag<unsigned int>;

constexpr bool fits_short(std::size_t n) noexcept {
  return n <= kMaxCount;
}

constexpr std::size_t part_count(std::size_t n) noexcept {
  return n / kPartSize + (n % kPartSize != 0 ? 1 : 0);
}

// The values split into parts: strings and byte vectors.
enum class parted : unsigned char { string, bytes };

template <parted P>
inline constexpr std::size_t kPartHeaderSize =
    P == parted::string ? kStringHeaderSize : kByteArrayHeaderSize;

// The header of a part of `size` bytes: a string item's, or a byte array's.
template <parted P>
constexpr std::array<unsigned char, kPartHeaderSize<P>> part_header(std::size_t size) noexcept {
  if constexpr (P == parted::string) {
    return string_header(size);
  } else {
    return byte_array_header(size);
  }
}

// Where part `part` starts: every part before it is full.
template <parted P>
constexpr std::size_t part_offset(std::size_t part) noexcept {
  return kLengthItemSize + part * (kPartHeaderSize<P> + kPartSize);
}

template <parted P>
constexpr std::size_t long_size(std::size_t n) noexcept {
  return kLengthItemSize + n + kPartHeaderSize<P> * part_count(n);
}

constexpr std::size_t long_wide_size(std::size_t count) noexcept {
  return kLengthItemSize + kWideItemSize * count;
}

// ---- Writing

inline unsigned char* put_length(unsigned char* out, std::size_t n) noexcept {
  return put_scalar(out, static_cast<unsigned int>(n));
}

// `parts` full parts of the bytes at `bytes`, each its header and 255 bytes, and where they end.
// Out of line: each part is copied with a size known at compile time, in the widest vector moves
// the processor has, so that a long value is written at close to memcpy's speed.
unsigned char* put_full_parts(unsigned char* out, const unsigned char* bytes, std::size_t parts,
                              parted p) noexcept;

template <parted P>
inline unsigned char* put_long(unsigned char* out, const unsigned char* bytes,
                               std::size_t n) noexcept {
  out = put_length(out, n);
  out = put_full_parts(out, bytes, n / kPartSize, P);
  bytes += n / kPartSize * kPartSize;
  if (const std::size_t rest = n % kPartSize; rest != 0) {
    const auto header = part_header<P>(rest);
    std::memcpy(out, header.data(), header.size());
    std::memcpy(out + header.size(), bytes, rest);
    out += header.size() + rest;
  }
  return out;
}

template <wide_element T>
inline unsigned char* put_long_wide(unsigned char* out, std::span<const T> values) {
  out = put_length(out, values.size());
  write_wide_items(out, reinterpret_cast<const unsigned char*>(values.data()), values.size(),
                   scalar_tag<T>);
  return out + kWideItemSize * values.size();
}

// ---- Checking. `at[0]` is the length item's tag, which told the form. A fault in a part's header
// sets `element` to the part's index, `at` to the wrong byte's offset, `expected` to the byte
// expected there and `size` to the bytes the part must hold.

inline std::size_t long_length(const unsigned char* at) noexcept {
  return scalar_payload<unsigned int>(at);
}

template <parted P>
constexpr measured measure_long(const unsigned char* at, std::size_t left) noexcept {
  if (left < kLengthItemSize) {
    return cut_short(kLengthItemSize);
  }
  const std::size_t n = long_length(at);
  if (fits_short(n)) {
    return wrong(fault::fits_short, 1);
  }
  const std::size_t total = long_size<P>(n);
  std::size_t offset = kLengthItemSize;
  for (std::size_t done = 0, part = 0; done < n; ++part) {
    const std::size_t size = std::min(n - done, kPartSize);
    const auto header = part_header<P>(size);
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (offset + i >= left) {
        return cut_short(total);  // a wrong byte before the end is reported first
      }
      if (at[offset + i] != header[i]) {
        measured m = wrong(fault::bad_part, offset + i, header[i]);
        m.element = part;
        m.size = size;
        return m;
      }
    }
    offset += header.size() + size;
    done += size;
  }
  return left >= total ? whole(total) : cut_short(total);
}

template <kind K>
constexpr measured measure_long_wide(const unsigned char* at, std::size_t left) noexcept {
  if (left < kLengthItemSize) {
    return cut_short(kLengthItemSize);
  }
  const std::size_t count = long_length(at);
  if (fits_short(count)) {
    return wrong(fault::fits_short, 1);
  }
  constexpr unsigned char tag = info(K).element_tag;
  const std::size_t bad = first_mistagged(at + kLengthItemSize, left - kLengthItemSize, count, tag);
  if (bad != kNoElement) {
    measured m = wrong(fault::wrong_tag, kLengthItemSize + bad * kWideItemSize, tag);
    m.element = bad;
    return m;
  }
  const std::size_t total = long_wide_size(count);
  return left >= total ? whole(total) : cut_short(total);
}

// The bytes of the long value of length `n` at `at`, whose `long_size<P>(n)` bytes are all
// there, handed to `take(bytes, size)` part by part, each part's header checked as it comes:
// false at the first that is wrong (`measure_long` says which). One pass over the bytes.
template <parted P, typename Take>
inline bool join_parts(const unsigned char* at, std::size_t n, Take take) noexcept {
  const unsigned char* in = at + kLengthItemSize;
  constexpr auto full = part_header<P>(kPartSize);
  const std::size_t full_parts = n / kPartSize;
  for (std::size_t part = 0; part < full_parts; ++part) {
    if (std::memcmp(in, full.data(), full.size()) != 0) [[unlikely]] {
      return false;
    }
    take(in + full.size(), kPartSize);
    in += full.size() + kPartSize;
  }
  if (const std::size_t rest = n % kPartSize; rest != 0) {
    const auto header = part_header<P>(rest);
    if (std::memcmp(in, header.data(), header.size()) != 0) {
      return false;
    }
    take(in + header.size(), rest);
  }
  return true;
}

// What went wrong in a long value, in words: "a long string of 300 bytes: part 1 at byte 262:
// expected ab 2d, got ab 2c". `what` names the value ("string", "byte vector", "f64 array").
std::string explain_long(const measured& m, std::string_view what, const unsigned char* at,
                         std::size_t left, std::size_t item_offset);

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_LONG_FORM_H
