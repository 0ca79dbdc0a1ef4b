// What the guest heap can still give in one piece, for tests that fill it to a given point.
#pragma once
#include <cstdint>

#include "guest/memory.h"

namespace korva::test {

// The longest block guest::alloc grants now, to a page.
inline uint32_t largestGuestBlock() {
  uint32_t low = 0, high = guest::kRegionSize;
  while (high - low > guest::kPageSize) {
    uint32_t mid = low + (high - low) / 2;
    void* p = guest::alloc(mid);
    (p ? low : high) = mid;
    guest::free(p);
  }
  return low;
}

}  // namespace korva::test
