#include "allocation_counter.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
morsel_test::allocation_count counted;
}  // namespace

namespace morsel_test {

allocation_count allocations() {
  return counted;
}

void reset_allocations() {
  counted = {};
}

}  // namespace morsel_test

void* operator new(std::size_t size) {
  ++counted.calls;
  counted.bytes += size;
  counted.largest = std::max(counted.largest, size);
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}
// The replacement new above allocates with malloc, so free is the match; GCC cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t /*size*/) noexcept {
  std::free(memory);
}
#pragma GCC diagnostic pop
