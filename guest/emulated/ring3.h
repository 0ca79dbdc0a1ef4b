// Puts a fresh Unicorn engine into user mode: a descriptor table in the backend page, which
// guest code can read but not write, and a one-instruction ring-0 stub that drops to ring 3
// with iret. The engine itself starts in ring 0 and offers no other way down.
#pragma once
#include <cstdint>

struct uc_struct;

namespace korva::guest {

// Flat user-mode selectors guest code runs with.
inline constexpr uint16_t kUserCode = 0x1B;
inline constexpr uint16_t kUserData = 0x23;

// Loads the descriptor table and segment registers and builds the iret frame below
// userEsp, so that starting the engine at the returned address runs entry in ring 3 with
// ESP = userEsp.
uint32_t prepareUserMode(uc_struct* uc, uint32_t entry, uint32_t userEsp);

}  // namespace korva::guest
