// The words that explain a long value (morsel/detail/long_form.h) that is not whole: "a long
// string of 300 bytes: part 1 (45 bytes) at byte 265: expected length 45, got 44".
#include <morsel/detail/long_form.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include <morsel/detail/hex.h>

namespace morsel::detail {
namespace {

template <parted P>
inline unsigned char* copy_full_parts(unsigned char* out, const unsigned char* bytes,
                                      std::size_t parts) noexcept {
  constexpr auto header = part_header<P>(kPartSize);
  for (std::size_t part = 0; part < parts; ++part) {
    std::memcpy(out, header.data(), header.size());
    std::memcpy(out + header.size(), bytes + part * kPartSize, kPartSize);
    out += header.size() + kPartSize;
  }
  return out;
}

unsigned char* copy_full_parts(unsigned char* out, const unsigned char* bytes, std::size_t parts,
                               parted p) noexcept {
  return p == parted::string ? copy_full_parts<parted::string>(out, bytes, parts)
                             : copy_full_parts<parted::bytes>(out, bytes, parts);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The same loop, compiled for 64-byte vector moves.
__attribute__((target("avx512f,avx512bw"))) unsigned char* copy_full_parts_avx512(
    unsigned char* out, const unsigned char* bytes, std::size_t parts, parted p) noexcept {
  return p == parted::string ? copy_full_parts<parted::string>(out, bytes, parts)
                             : copy_full_parts<parted::bytes>(out, bytes, parts);
}

bool has_avx512() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
}
#endif

}  // namespace

unsigned char* put_full_parts(unsigned char* out, const unsigned char* bytes, std::size_t parts,
                              parted p) noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (has_avx512()) {
    return copy_full_parts_avx512(out, bytes, parts, p);
  }
#endif
  return copy_full_parts(out, bytes, parts, p);
}

std::string explain_long(const measured& m, std::string_view what, const unsigned char* at,
                         std::size_t left, std::size_t item_offset) {
  const bool of_bytes = what == "string" || what == "byte vector";
  const std::string named = "a long " + std::string(what);
  if (left < kLengthItemSize) {
    return named + ": its length item needs " + std::to_string(kLengthItemSize) + " bytes, " +
           std::to_string(left) + " left";
  }
  const std::size_t n = long_length(at);
  const std::string value =
      named + " of " + std::to_string(n) + (of_bytes ? " bytes" : " elements");
  switch (m.what) {
    case fault::fits_short:
      return value + ", which " + (what == "string" ? "a string item" : "an array item") +
             " holds: the long form is for more than 255";
    case fault::bad_part: {
      const bool string = what == "string";
      const std::size_t start =
          string ? part_offset<parted::string>(m.element) : part_offset<parted::bytes>(m.element);
      const std::size_t in_header = m.at - start;
      const std::string expected =
          in_header == 1 ? "length " + std::to_string(m.expected) : "tag " + hex_byte(m.expected);
      const std::string got = in_header == 1 ? std::to_string(at[m.at]) : hex_byte(at[m.at]);
      return value + ": part " + std::to_string(m.element) + " (" + std::to_string(m.size) +
             " bytes) at byte " + std::to_string(item_offset + start) + ": expected " + expected +
             ", got " + got;
    }
    case fault::wrong_tag:
      return value + ": element " + std::to_string(m.element) + " at byte " +
             std::to_string(item_offset + m.at) + ": expected tag " + hex_byte(m.expected) +
             ", got " + hex_byte(at[m.at]);
    default:
      return value + " needs " + std::to_string(m.size) + " bytes, " + std::to_string(left) +
             " left";
  }
}

}  // namespace morsel::detail
