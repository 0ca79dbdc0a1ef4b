// The low 4 GiB of the address space: all that 32-bit code can name. Outside guest memory
// and the backend's own pages, all of it is reserved without access, so a wild pointer in
// guest code faults instead of reaching the run-time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace korva::guest::native {

inline constexpr uint64_t k4GiB = uint64_t(1) << 32;
// The backend's pages, just below guest memory.
inline constexpr uintptr_t kZoneBase = 0x0FF00000;
inline constexpr uintptr_t kProbePages = 0x0FFC0000;  // code, then two stack pages
inline constexpr uintptr_t kTrampolinePage = 0x0FFE0000;

// The first mapping below 4 GiB that is none of guest memory, the backend's pages, this
// backend's reservation or a sanitizer's shadow, as text; empty when there is none.
std::string foreignLowMapping();

// Reserves every unmapped range below 4 GiB. Returns why it could not, or an empty text.
std::string reserveLowMemory();

// Pages in the backend's zone, readable and writable; false when they cannot be had.
bool mapZone(uintptr_t address, size_t size);
void unmapZone(uintptr_t address, size_t size);

}  // namespace korva::guest::native
