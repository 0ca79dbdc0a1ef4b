// Guest memory: one 1 GiB region at a fixed address, mapped into the emulator at the same
// addresses, so a guest address and the host pointer to the same byte are the same number.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korva::guest {

inline constexpr uint32_t kRegionBase = 0x10000000;
inline constexpr uint32_t kRegionSize = 0x40000000;
inline constexpr uint32_t kRegionEnd = kRegionBase + kRegionSize;  // exclusive
inline constexpr uint32_t kPageSize = 0x1000;
// Below the stack: one unmapped guard page (and nothing is mapped below the region).
inline constexpr uint32_t kGuardBase = kRegionBase;
inline constexpr uint32_t kStackBase = kRegionBase + kPageSize;  // lowest stack byte
inline constexpr uint32_t kStackSize = 0x100000;
inline constexpr uint32_t kStackTop = kStackBase + kStackSize;  // exclusive
// Trap stubs, the float result slot and the return sentinel.
inline constexpr uint32_t kTrapBase = kStackTop;
inline constexpr uint32_t kTrapSize = 0x10000;
inline constexpr uint32_t kHeapBase = kTrapBase + kTrapSize;

// Maps the region into this process (once; later calls do nothing). Aborts with a clear
// message when the address range is taken.
void reserve();

// True when [addr, addr + size) lies in mapped guest memory.
inline bool inGuest(uint32_t addr, uint32_t size) {
  return addr >= kStackBase && addr <= kRegionEnd && size <= kRegionEnd - addr;
}
inline bool inGuest(const void* p, size_t size) {
  uintptr_t a = reinterpret_cast<uintptr_t>(p);
  return a >= kStackBase && a <= kRegionEnd && size <= kRegionEnd - a;
}

template <class T = void>
inline T* ptr(uint32_t addr) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(addr));
}
inline uint32_t addr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Pointer checks for what the run-time dereferences on behalf of guest code: each raises
// "Illegal memory address" when the object does not lie in guest memory.
void* checked(uint32_t addr, uint32_t size);
template <class T>
inline T* checked(uint32_t addr) {
  return static_cast<T*>(checked(addr, sizeof(T)));
}
// A NUL-terminated text that must end inside guest memory.
const char* checkedText(uint32_t addr);

// Heap in guest memory. Blocks are 16-byte aligned; null when memory is exhausted.
void* alloc(uint32_t size);
void* allocZeroed(uint32_t size);
void free(void* p);

struct AllocStats {
  uint64_t liveBlocks;
  uint64_t liveBytes;  // requested sizes rounded up to the block size
};
AllocStats allocStats();

}  // namespace korva::guest
