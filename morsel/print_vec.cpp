#include <cstdio>

#include "morsel/morsel.h"

namespace morsel {

void printVec(const std::vector<unsigned char>& buffer) {
  std::fputs("[ ", stdout);
  for (const unsigned char byte : buffer) {
    std::printf("%x ", static_cast<unsigned int>(byte));
  }
  std::puts("]");
}

}  // namespace morsel
