// What the lone-item codecs share: building the buffer of one item, and checking the item a
// decoder is given with the measures of morsel/detail/measure.h. Internal: not installed.
#ifndef MORSEL_LONE_ITEMS_H
#define MORSEL_LONE_ITEMS_H

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/detail/measure.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

namespace morsel::lone {

using Buffer = std::vector<unsigned char>;

// A scalar item built on the stack and copied into a buffer of exactly its size: one allocation.
template <detail::scalar_kind T>
Buffer scalar_item(T value) {
  std::array<unsigned char, detail::scalar_size<T>> bytes{};
  detail::put_scalar(bytes.data(), value);
  return Buffer(bytes.begin(), bytes.end());
}

// A header, then bytes, in a buffer reserved once but not zero-filled first: the bytes of a string
// or an array may be large, and filling the buffer only to overwrite it would double the cost.
inline void append(Buffer& out, std::span<const unsigned char> header,
                   std::span<const unsigned char> bytes) {
  // Byte by byte: GCC 12 at -O3 misreads an insert of a fixed-size header as an overflow.
  for (const unsigned char byte : header) {
    out.push_back(byte);
  }
  out.insert(out.end(), bytes.begin(), bytes.end());
}

inline Buffer header_then(std::span<const unsigned char> header,
                          std::span<const unsigned char> bytes) {
  Buffer out;
  out.reserve(header.size() + bytes.size());
  append(out, header, bytes);
  return out;
}

// Throws the decode_error "<decoder>: <what was wrong>" of a failed measure.
[[noreturn]] void fail(std::string_view decoder, const detail::measured& m, kind k,
                       const Buffer& buffer);

// Checks that `buffer` holds a lone item of kind K, and returns its size.
template <kind K>
std::size_t require(std::string_view decoder, const Buffer& buffer) {
  const detail::measured m = detail::measure_lone<K>(buffer.data(), buffer.size());
  if (!m.whole()) [[unlikely]] {
    fail(decoder, m, K, buffer);
  }
  return m.size;
}

}  // namespace morsel::lone

#endif  // MORSEL_LONE_ITEMS_H
