// What the rest of guest/ needs to know about the allocator.
#pragma once
#include <cstdint>

namespace korva::guest {

// The end of the code pages handed out so far (kCodeBase when none).
uint32_t codeInUseEnd();

}  // namespace korva::guest
