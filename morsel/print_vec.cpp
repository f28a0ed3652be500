#include <cstdio>

#include <morsel/morsel.h>

namespace morsel {

void printVec(const std::vector<unsigned char>& buffer) {
  // A dump has no way to report a failed write; standard output's error flag keeps it.
  (void)std::fputs("[ ", stdout);
  for (const unsigned char byte : buffer) {
    (void)std::printf("%x ", static_cast<unsigned int>(byte));
  }
  (void)std::puts("]");
}

}  // namespace morsel
