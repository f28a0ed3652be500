// Test helper: every allocation of the test program is counted (operator new is replaced in
// allocation_counter.cpp), so that a test can tell how many a call made and how large they were.
#ifndef MORSEL_TESTS_ALLOCATION_COUNTER_H
#define MORSEL_TESTS_ALLOCATION_COUNTER_H

#include <cstddef>

namespace morsel_test {

struct allocation_count {
  std::size_t calls = 0;
  std::size_t bytes = 0;    // in all
  std::size_t largest = 0;  // of one call
};

// The allocations made since the last reset (of this thread's program; tests run on one).
allocation_count allocations();
void reset_allocations();

}  // namespace morsel_test

#endif  // MORSEL_TESTS_ALLOCATION_COUNTER_H
