#include "output.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <utility>

#include "input.h"

namespace morsel_cli {

output::output(std::string path) : path_(std::move(path)), temporary_(path_ + ".XXXXXX") {
  fd_ = ::mkstemp(temporary_.data());
  if (fd_ < 0) {
    throw input_error(path_ + ": " + std::strerror(errno));
  }
  // Started with a standard descriptor closed, the file would take its number, and reading
  // standard input (or writing standard output) would reach the file: keep it above them.
  if (fd_ <= STDERR_FILENO) {
    const int low = std::exchange(fd_, ::fcntl(fd_, F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
    const int dup_errno = errno;
    (void)::close(low);
    if (fd_ < 0) {
      (void)::unlink(temporary_.c_str());
      throw input_error(path_ + ": " + std::strerror(dup_errno));
    }
  }
  // As a new file would be made: mkstemp's owner-only mode, widened to what the umask allows.
  constexpr mode_t kReadWriteForAll = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  (void)::fchmod(fd_, kReadWriteForAll & ~mask);
}

output::~output() {
  if (!path_.empty()) {
    if (fd_ >= 0) {
      (void)::close(fd_);
    }
    if (!committed_) {
      (void)::unlink(temporary_.c_str());
    }
  }
}

bool output::commit() {
  if (path_.empty() || committed_) {
    return errno_ == 0;
  }
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0 && errno_ == 0) {
    errno_ = errno;
  }
  if (errno_ == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
    errno_ = errno;
  }
  committed_ = errno_ == 0;
  return committed_;
}

void output::put(const char* data, std::size_t size) {
  while (size > 0 && errno_ == 0) {
    const ssize_t n = ::write(fd_, data, size);
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
  return (path_.empty() ? std::string("standard output") : path_) + ": " + std::strerror(errno_);
}

}  // namespace morsel_cli
