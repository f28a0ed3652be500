// Test helper: buffers written as hex text, so expected items read like a dump.
#ifndef MORSEL_TESTS_HEX_H
#define MORSEL_TESTS_HEX_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morsel_test {

using Bytes = std::vector<unsigned char>;

// "A3 00 00 00 01" -> {0xA3, 0, 0, 0, 1}. Blanks are ignored.
inline Bytes hex(std::string_view text) {
  Bytes out;
  std::string digits;
  for (const char c : text) {
    if (c != ' ') {
      digits += c;
    }
  }
  if (digits.size() % 2 != 0) {
    throw std::invalid_argument("odd number of hex digits");
  }
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// `text` written `times` times over: long inputs written as their pattern.
inline std::string repeated(std::string_view text, std::size_t times) {
  std::string all;
  all.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) {
    all += text;
  }
  return all;
}

inline Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace morsel_test

#endif  // MORSEL_TESTS_HEX_H
