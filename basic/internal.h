// Shared between the basic module's own files only.
#pragma once
#include <cstdint>
#include <functional>

#include "guest/memory.h"
#include "core/errors.h"

namespace korva::basic {

[[noreturn]] void outOfMemory();

// double to float with IEEE rounding, overflow giving infinity.
float toFloat(double d);

// Raises "Illegal memory address" unless [a, a + size) is guest memory; size may exceed 32 bits.
inline void requireGuest(uint32_t a, uint64_t size) {
  if (size > UINT32_MAX || !guest::inGuest(a, static_cast<uint32_t>(size)))
    raiseRuntimeError("Illegal memory address");
}
// The checked guest object at a. T is a layout of alignment 1 (packed records, guest::Word):
// compiled code may place what it hands over at any address.
template <class T>
inline T* at(uint32_t a, uint64_t size = sizeof(T)) {
  static_assert(alignof(T) == 1);
  requireGuest(a, size);
  return guest::ptr<T>(a);
}
// A checked guest word, read or written.
inline uint32_t word(uint32_t a) {
  requireGuest(a, 4);
  return guest::load32(a);
}
inline void setWord(uint32_t a, uint32_t v) {
  requireGuest(a, 4);
  guest::store32(a, v);
}

// Block registry: every block handed to compiled code, freed at the latest by freeAllBlocks.
// Raises "Out of memory" when guest memory is exhausted. Pools hold the module's own
// records; storage is what compiled code may hand back to be freed (arrays, vectors).
enum BlockKind : uint8_t { kPoolBlock, kStorageBlock };
void* blockAlloc(uint64_t size, BlockKind kind);
void* blockAllocZeroed(uint64_t size, BlockKind kind);
// False (and nothing freed) when p is not a live registered block of that kind.
bool blockFree(uint32_t p, BlockKind kind);
void freeAllBlocks();
size_t liveBlockCount();

// Module lifecycle pieces, called in order by basic_create / basic_destroy.
void stringsDestroy();
void objectsDestroy();
void dataReset();

// Live strings, oldest first.
void forEachLiveString(const std::function<void(uint32_t address)>& fn);

}  // namespace korva::basic
