#include "output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <string>

namespace morsel_cli {

void output::put(const char* data, std::size_t size) {
  while (size > 0 && errno_ == 0) {
    const ssize_t n = ::write(STDOUT_FILENO, data, size);
    if (n < 0) {
      if (errno != EINTR) {
        errno_ = errno;
      }
      continue;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void output::flush() {
  put(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void output::write(std::span<const unsigned char> bytes) {
  flush();
  put(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool output::finish() {
  flush();
  return errno_ == 0;
}

std::string output::error() const {
  return std::string("standard output: ") + std::strerror(errno_);
}

}  // namespace morsel_cli
