#include "io.h"

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

#include "notation.h"

namespace morsel_cli {
namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

[[noreturn]] void fail_input(const std::string& name, int error) {
  throw input_error(name + ": " + std::strerror(error));
}

// One run of hex digits between separators, perhaps after "0x": pairs, or a lone digit.
void append_run(std::vector<unsigned char>& bytes, std::string_view run, std::size_t line) {
  if (run.size() == 1) {
    bytes.push_back(static_cast<unsigned char>(hex_digit(run[0])));
    return;
  }
  if (run.size() % 2 != 0) {
    throw input_error("line " + std::to_string(line) + ": odd number of hex digits in '" +
                      std::string(run) + "'");
  }
  for (std::size_t i = 0; i < run.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(hex_digit(run[i]) * 16 + hex_digit(run[i + 1])));
  }
}

// A mapped file that another process shrinks raises SIGBUS when the missing pages are touched.
// That ends the run as a read error would, not as a crash.
extern "C" void on_mapped_file_shrunk(int /*signal*/) {
  constexpr char kMessage[] = "morsel: the input file shrank while it was being read\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(1);
}

}  // namespace

byte_buffer read_input(const std::string& path) {
  const bool standard_input = path.empty() || path == "-";
  const std::string name = standard_input ? "standard input" : path;
  const int fd = standard_input ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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

input_bytes::input_bytes(const std::string& path, bool hex) {
  if (!hex && !path.empty() && path != "-") {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
  raw_ = read_input(path);
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

std::vector<unsigned char> parse_hex(std::string_view text) {
  std::vector<unsigned char> bytes;
  bytes.reserve(text.size() / 2);
  std::size_t line = 1;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\n') {
      ++line;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == '[' || c == ']') {
      ++at;
      continue;
    }
    // A word: runs of hex digits, each perhaps after 0x.
    std::size_t end = at;
    while (end < text.size() &&
           std::string_view(" \t\n\r,[]").find(text[end]) == std::string_view::npos) {
      ++end;
    }
    std::string_view word = text.substr(at, end - at);
    while (!word.empty()) {
      if (word.starts_with("0x") || word.starts_with("0X")) {
        word.remove_prefix(2);
      }
      std::size_t digits = 0;
      while (digits < word.size() && hex_digit(word[digits]) >= 0 &&
             !(word.substr(digits).starts_with("0x") || word.substr(digits).starts_with("0X"))) {
        ++digits;
      }
      if (digits == 0) {
        throw input_error("line " + std::to_string(line) + ": '" +
                          std::string(text.substr(at, end - at)) + "' is not hex");
      }
      append_run(bytes, word.substr(0, digits), line);
      word.remove_prefix(digits);
    }
    at = end;
  }
  return bytes;
}

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
