// Writing an array's 9-byte items is bound by stores: two per element (the tag, then the swapped
// payload). Where the processor has AVX-512 VBMI, one byte permutation lays out eight items in
// 64 bytes, so eight elements cost two stores instead of sixteen. The portable loop writes the
// same bytes everywhere else, and the tail of every array.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <morsel/detail/layout.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MORSEL_WIDE_ITEMS_VBMI 1
#endif

namespace morsel::detail {
namespace {

constexpr std::size_t kValueSize = 8;

std::size_t write_portable(unsigned char* out, const unsigned char* values, std::size_t count,
                           unsigned char tag) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, values + i * kValueSize, kValueSize);
    out[i * kWideItemSize] = tag;
    store_be(out + i * kWideItemSize + 1, bits);
  }
  return count;
}

#ifdef MORSEL_WIDE_ITEMS_VBMI

constexpr std::size_t kBlock = 8;  // elements per 64-byte permutation

// For each of the first 64 output bytes of a block, the input byte it takes: byte k of item e is
// byte 8 - k of value e in little-endian order (k = 0 is the tag, which the mask leaves alone).
constexpr std::array<unsigned char, 64> block_permutation() {
  std::array<unsigned char, 64> index{};
  for (std::size_t out = 0; out < index.size(); ++out) {
    const std::size_t item = out / kWideItemSize;
    const std::size_t byte = out % kWideItemSize;
    index[out] = byte == 0 ? 0 : static_cast<unsigned char>(item * kValueSize + kValueSize - byte);
  }
  return index;
}

// One bit per output byte of a block that holds a tag.
constexpr __mmask64 tag_positions() {
  __mmask64 mask = 0;
  for (std::size_t out = 0; out < 64; out += kWideItemSize) {
    mask |= __mmask64{1} << out;
  }
  return mask;
}

// Writes whole blocks of eight items and returns how many elements it wrote. Each block is one
// 64-byte store of items 0 to 6 and item 7's tag, then an 8-byte store of item 7's payload.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t write_blocks_vbmi(
    unsigned char* out, const unsigned char* values, std::size_t count, unsigned char tag) {
  alignas(64) static constexpr std::array<unsigned char, 64> kPermutation = block_permutation();
  const __m512i permutation = _mm512_load_si512(kPermutation.data());
  const __m512i tags = _mm512_set1_epi8(static_cast<char>(tag));
  const __mmask64 payload_mask = ~tag_positions();
  std::size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    const unsigned char* in = values + i * kValueSize;
    unsigned char* block = out + i * kWideItemSize;
    const __m512i raw = _mm512_loadu_si512(in);
    // Payload bytes come from the permutation, tag bytes from `tags`.
    const __m512i items = _mm512_mask_permutexvar_epi8(tags, payload_mask, permutation, raw);
    _mm512_storeu_si512(block, items);
    std::uint64_t last = 0;
    std::memcpy(&last, in + (kBlock - 1) * kValueSize, kValueSize);
    store_be(block + 64, last);
  }
  return i;
}

bool has_vbmi() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi");
}

#endif

}  // namespace

void write_wide_items(unsigned char* out, const unsigned char* values, std::size_t count,
                      unsigned char tag) {
  std::size_t done = 0;
#ifdef MORSEL_WIDE_ITEMS_VBMI
  if (has_vbmi()) {
    done = write_blocks_vbmi(out, values, count, tag);
  }
#endif
  write_portable(out + done * kWideItemSize, values + done * kValueSize, count - done, tag);
}

}  // namespace morsel::detail
