// Guest memory: one 1 GiB region at a fixed address, mapped for the guest CPU at the same
// addresses, so a guest address and the host pointer to the same byte are the same number.
//
// Layout, low to high:
//   trap    routine stubs, below them and in the last page what the CPU backend needs;
//           guest code may read and run it, never write it
//   guard   one page never mapped for the guest: a stack overflow faults there
//   stack   the program's stack
//   code    linked code blocks and an environment's own code, in whole pages; only the
//           pages in use are executable
//   heap    everything else the run-time hands to compiled code; never executable
// Data memory (stack, code, heap) is one range, so checking a pointer is one comparison.
// The allocator keeps its bookkeeping on the host side, so nothing a program writes can
// mislead it.
#pragma once
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korva::guest {

inline constexpr uint32_t kRegionBase = 0x10000000;
inline constexpr uint32_t kRegionSize = 0x40000000;
inline constexpr uint32_t kRegionEnd = kRegionBase + kRegionSize;  // exclusive
inline constexpr uint32_t kPageSize = 0x1000;
inline constexpr uint32_t kTrapBase = kRegionBase;
inline constexpr uint32_t kTrapSize = 0x10000;
// The last page of the trap area belongs to the CPU backend (descriptor tables, entry code).
inline constexpr uint32_t kBackendPage = kTrapBase + kTrapSize - kPageSize;
inline constexpr uint32_t kGuardBase = kTrapBase + kTrapSize;
inline constexpr uint32_t kStackBase = kGuardBase + kPageSize;  // lowest stack byte
inline constexpr uint32_t kStackSize = 0x100000;
inline constexpr uint32_t kStackTop = kStackBase + kStackSize;  // exclusive
inline constexpr uint32_t kCodeBase = kStackTop;
inline constexpr uint32_t kCodeSize = 0x4000000;
inline constexpr uint32_t kHeapBase = kCodeBase + kCodeSize;

// What guest code may do with a part of the region; every backend maps it this way.
enum Access : uint8_t { kNoAccess = 0, kRead = 1, kWrite = 2, kExecute = 4 };
struct Area {
  uint32_t base;
  uint32_t size;  // may be 0
  uint8_t access;
};
// The region in address order, for mapping: trap area, guard, stack, the code pages in
// use so far, the rest of the code area together with the heap.
std::array<Area, 5> areas();

// Maps the region into this process (once; later calls do nothing). Aborts with a clear
// message when the address range is taken.
void reserve();

// True when [addr, addr + size) lies in memory the program reads and writes as data: the
// stack, the code area or the heap (not the guard, not the trap area).
inline bool inGuest(uint32_t addr, uint32_t size) {
  return addr >= kStackBase && addr <= kRegionEnd && size <= kRegionEnd - addr;
}
inline bool inGuest(const void* p, size_t size) {
  uintptr_t a = reinterpret_cast<uintptr_t>(p);
  return a >= kStackBase && a <= kRegionEnd && size <= kRegionEnd - a;
}
// True when [addr, addr + size) is mapped for the guest at all (the trap area included).
inline bool inRegion(uint32_t addr, uint32_t size) {
  if (addr < kGuardBase) return addr >= kTrapBase && size <= kGuardBase - addr;
  return inGuest(addr, size);
}

template <class T = void>
inline T* ptr(uint32_t addr) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(addr));
}
inline uint32_t addr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// A 32-bit guest word at any alignment: compiled code may place its variables and records
// anywhere, and x86 does not mind.
struct [[gnu::packed]] Word {
  uint32_t value;
  operator uint32_t() const { return value; }
  Word& operator=(uint32_t v) {
    value = v;
    return *this;
  }
};
static_assert(sizeof(Word) == 4 && alignof(Word) == 1);
// Guest words are read and written in place, in the x86's byte order: the host's must match.
static_assert(std::endian::native == std::endian::little, "Korva needs a little-endian host");
inline uint32_t load32(uint32_t a) {
  uint32_t v;
  std::memcpy(&v, ptr(a), 4);
  return v;
}
inline void store32(uint32_t a, uint32_t v) { std::memcpy(ptr(a), &v, 4); }

// Pointer checks for what the run-time dereferences on behalf of guest code: each raises
// "Illegal memory address" when the object does not lie in guest data memory.
void* checked(uint32_t addr, uint32_t size);
template <class T>
inline T* checked(uint32_t addr) {
  return static_cast<T*>(checked(addr, sizeof(T)));
}
// A NUL-terminated text that must end inside guest data memory.
const char* checkedText(uint32_t addr);

// Heap in guest memory. Blocks are 16-byte aligned; null when memory is exhausted.
void* alloc(uint32_t size);
void* allocZeroed(uint32_t size);
// Executable memory for linked code and an environment's code and data: zeroed whole pages
// in the code area; null when it is full.
void* allocCode(uint32_t size);
// Frees a block of either kind. Anything else (a foreign pointer, the inside of a block,
// a block already free) is ignored.
void free(void* p);

struct AllocStats {
  uint64_t liveBlocks;
  uint64_t liveBytes;  // requested sizes rounded up to the block size
};
AllocStats allocStats();

// The ends (exclusive) of what the code area and the heap have handed out so far.
struct UsedMemory {
  uint32_t codeEnd;
  uint32_t heapEnd;
};
UsedMemory usedMemory();

}  // namespace korva::guest
