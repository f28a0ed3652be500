#include "input.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "hex_text.h"

namespace morsel_cli {
namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

[[noreturn]] void fail_input(const std::string& name, int error) {
  throw input_error(name + ": " + std::strerror(error));
}

// A mapped file that another process shrinks raises SIGBUS when the missing pages are touched.
// That ends the run as a read error would, not as a crash.
extern "C" void on_mapped_file_shrunk(int /*signal*/) {
  constexpr char kMessage[] = "morsel: the input file shrank while it was being read\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(1);
}

}  // namespace

std::string input_source::name() const {
  if (standard_input) {
    return "standard input";
  }
  return path.empty() ? "''" : path;
}

byte_buffer read_input(const input_source& source) {
  const bool standard_input = source.standard_input;
  const std::string name = source.name();
  const int fd = standard_input ? STDIN_FILENO : ::open(source.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    fail_input(name, errno);
  }
  byte_buffer bytes;
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    bytes.reserve(static_cast<std::size_t>(status.st_size) + 1);
  }
  std::size_t size = 0;
  for (;;) {
    // Into the room reserved for a regular file's size; otherwise in blocks that grow the buffer.
    if (bytes.size() == size) {
      bytes.resize(bytes.capacity() > size ? bytes.capacity() : size + kReadBlock);
    }
    const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (n == 0) {
      break;
    }
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      const int error = errno;
      if (!standard_input) {
        ::close(fd);
      }
      fail_input(name, error);
    }
    size += static_cast<std::size_t>(n);
  }
  if (!standard_input) {
    ::close(fd);
  }
  bytes.resize(size);
  return bytes;
}

input_bytes::input_bytes(const input_source& source, bool hex) {
  if (!hex && !source.standard_input) {
    const int fd = ::open(source.path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
      const auto size = static_cast<std::size_t>(status.st_size);
      void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
      if (at != MAP_FAILED) {
        struct sigaction action {};
        action.sa_handler = on_mapped_file_shrunk;
        ::sigaction(SIGBUS, &action, nullptr);
        ::madvise(at, size, MADV_SEQUENTIAL);
        mapped_ = at;
        mapped_size_ = size;
        bytes_ = {static_cast<const unsigned char*>(at), size};
      }
    }
    if (fd >= 0) {
      ::close(fd);
    }
    if (mapped_ != nullptr) {
      return;
    }
  }
  // Anything that cannot be mapped is read, and errors are reported from there.
  raw_ = read_input(source);
  if (hex) {
    decoded_ = parse_hex({reinterpret_cast<const char*>(raw_.data()), raw_.size()});
    raw_ = byte_buffer();
    bytes_ = decoded_;
  } else {
    bytes_ = raw_;
  }
}

input_bytes::~input_bytes() {
  if (mapped_ != nullptr) {
    ::munmap(mapped_, mapped_size_);
  }
}

}  // namespace morsel_cli
