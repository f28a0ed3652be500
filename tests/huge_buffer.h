// Test helper: address space for a value too large to hold, such as a string of more than
// 4,294,967,295 bytes. Nothing is backed or readable: code that checks a size before it reads
// may be handed a span over it; code that reads it crashes, as it should in a test.
#ifndef MORSEL_TESTS_HUGE_BUFFER_H
#define MORSEL_TESTS_HUGE_BUFFER_H

#include <sys/mman.h>

#include <cstddef>
#include <span>
#include <stdexcept>

namespace morsel_test {

class huge_buffer {
 public:
  explicit huge_buffer(std::size_t size) : size_(size) {
    at_ = ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (at_ == MAP_FAILED) {
      throw std::runtime_error("huge_buffer: no address space");
    }
  }
  ~huge_buffer() { ::munmap(at_, size_); }
  huge_buffer(const huge_buffer&) = delete;
  huge_buffer& operator=(const huge_buffer&) = delete;

  template <typename T>
  std::span<const T> as(std::size_t count) const {
    return {static_cast<const T*>(at_), count};
  }

 private:
  void* at_;
  std::size_t size_;
};

}  // namespace morsel_test

#endif  // MORSEL_TESTS_HUGE_BUFFER_H
