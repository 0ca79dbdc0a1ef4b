// Shared between the basic module's own files only.
#pragma once
#include <cstdint>
#include <functional>

#include "guest/memory.h"
#include "host/errors.h"

namespace korva::basic {

[[noreturn]] void outOfMemory();

// double to float with IEEE rounding, overflow giving infinity.
float toFloat(double d);

// Raises "Illegal memory address" unless [a, a + size) is guest memory; size may exceed 32 bits.
inline void requireGuest(uint32_t a, uint64_t size) {
  if (size > UINT32_MAX || !guest::inGuest(a, static_cast<uint32_t>(size)))
    raiseRuntimeError("Illegal memory address");
}
template <class T>
inline T* at(uint32_t a, uint64_t size = sizeof(T)) {
  requireGuest(a, size);
  return guest::ptr<T>(a);
}

// Block registry: every block handed to compiled code, freed at the latest by freeAllBlocks.
// Raises "Out of memory" when guest memory is exhausted.
void* blockAlloc(uint64_t size);
void* blockAllocZeroed(uint64_t size);
// False (and nothing freed) when p is not a live registered block.
bool blockFree(uint32_t p);
void freeAllBlocks();
size_t liveBlockCount();

// Module lifecycle pieces, called in order by basic_create / basic_destroy.
void stringsDestroy();
void objectsDestroy();
void dataReset();

// Live strings, oldest first.
void forEachLiveString(const std::function<void(uint32_t address)>& fn);

}  // namespace korva::basic
