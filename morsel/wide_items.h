// Writing runs of 9-byte items (u64 and f64 array elements). Internal: not installed.
#ifndef MORSEL_WIDE_ITEMS_H
#define MORSEL_WIDE_ITEMS_H

#include <cstddef>

namespace morsel::wire {

// Writes `count` items [tag, the 8 bytes of a value most significant first] to `out`, one per
// 8-byte value whose object representation starts at `values` (unsigned longs or doubles in native
// byte order). `out` holds 9 * count bytes.
void write_wide_items(unsigned char* out, const unsigned char* values, std::size_t count,
                      unsigned char tag);

}  // namespace morsel::wire

#endif  // MORSEL_WIDE_ITEMS_H
