// What the fuzz targets share: the check that turns a broken property into a finding, and drawing
// vectors from the fuzzer's input.
#ifndef MORSEL_FUZZ_SUPPORT_H
#define MORSEL_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdlib>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

namespace morsel_fuzz {

// A property that does not hold is a finding: abort, so that libFuzzer keeps the input.
inline void require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Up to `most` values, each from `draw()`.
template <typename T, typename Draw>
std::vector<T> draw_vector(FuzzedDataProvider& in, std::size_t most, Draw draw) {
  std::vector<T> values(in.ConsumeIntegralInRange<std::size_t>(0, most));
  for (T& value : values) {
    value = draw();
  }
  return values;
}

}  // namespace morsel_fuzz

#endif  // MORSEL_FUZZ_SUPPORT_H
