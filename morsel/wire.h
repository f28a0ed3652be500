// Helpers of the lone-item codecs: the layouts they share with the message API, and the checks
// and messages of their decoders. Internal: not installed.
#ifndef MORSEL_WIRE_H
#define MORSEL_WIRE_H

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/morsel.h>

namespace morsel::wire {

using Buffer = std::vector<unsigned char>;

// A scalar item built on the stack and copied into a buffer of exactly its size: one allocation.
template <detail::scalar_kind T>
Buffer scalar_item(T value) {
  std::array<unsigned char, detail::scalar_size<T>> bytes{};
  detail::put_scalar(bytes.data(), value);
  return Buffer(bytes.begin(), bytes.end());
}

// A header, then bytes, in a buffer reserved once but not zero-filled first: the bytes of a string
// or a byte array may be large, and filling the buffer only to overwrite it would double the cost.
inline Buffer header_then(std::span<const unsigned char> header,
                          std::span<const unsigned char> bytes) {
  Buffer out;
  out.reserve(header.size() + bytes.size());
  // Byte by byte: GCC 12 at -O3 misreads an insert of a fixed-size header as an overflow.
  for (const unsigned char byte : header) {
    out.push_back(byte);
  }
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

// "0xa3", and "1 byte" or "5 bytes", for messages.
std::string hex_byte(unsigned char byte);
std::string byte_count(std::size_t n);

// The one place the lone-item decoders throw from; `stopped_at` is the offset of the wrong byte,
// or the buffer's size when it ends too soon.
[[noreturn]] void fail(std::string_view decoder, std::string_view what, std::size_t stopped_at);

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
