#include "input.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <string>
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

input_file::input_file(const input_source& source) : name_(source.name()) {
  if (source.standard_input) {
    fd_ = STDIN_FILENO;
  } else {
    fd_ = ::open(source.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      fail_input(name_, errno);
    }
    owned_ = true;
  }
  struct stat status {};
  if (::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) {
    regular_ = true;
    size_ = static_cast<std::size_t>(status.st_size);
  }
}

input_file::~input_file() {
  if (owned_) {
    ::close(fd_);
  }
}

std::size_t input_file::read_some(std::span<unsigned char> room) const {
  for (;;) {
    const ssize_t n = ::read(fd_, room.data(), room.size());
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      fail_input(name_, errno);
    }
  }
}

byte_buffer read_all(const input_file& file) {
  byte_buffer bytes;
  if (file.regular() && file.size() > 0) {
    bytes.reserve(file.size() + 1);
  }
  std::size_t size = 0;
  for (;;) {
    // Into the room reserved for a regular file's size; otherwise in blocks that grow the buffer.
    if (bytes.size() == size) {
      bytes.resize(bytes.capacity() > size ? bytes.capacity() : size + kReadBlock);
    }
    const std::size_t n = file.read_some({bytes.data() + size, bytes.size() - size});
    if (n == 0) {
      break;
    }
    size += n;
  }
  bytes.resize(size);
  return bytes;
}

input_bytes::input_bytes(const input_file& file, bool hex) {
  if (!hex && file.regular() && file.size() > 0) {
    void* at = ::mmap(nullptr, file.size(), PROT_READ, MAP_PRIVATE, file.fd(), 0);
    if (at != MAP_FAILED) {
      struct sigaction action {};
      action.sa_handler = on_mapped_file_shrunk;
      ::sigaction(SIGBUS, &action, nullptr);
      ::madvise(at, file.size(), MADV_SEQUENTIAL);
      mapped_ = at;
      mapped_size_ = file.size();
      bytes_ = {static_cast<const unsigned char*>(at), file.size()};
      return;
    }
  }
  // Anything that cannot be mapped is read, and errors are reported from there.
  raw_ = read_all(file);
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
