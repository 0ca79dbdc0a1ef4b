// The table behind the routine stubs, shared by both backends: a stub knows its index, the
// index gives the routine.
#pragma once
#include <cstdint>

#include "guest/memory.h"
#include "guest/trap.h"
#include "host/errors.h"

namespace korva::guest {

struct TrapEntry {
  TrapHandler handler;
  int argCount;
  bool floatResult;
};

// Stubs sit in the trap area from here, one every kStubSize bytes; what lies below belongs
// to the backend.
inline constexpr uint32_t kFirstStub = kTrapBase + 64;
inline constexpr uint32_t kStubSize = 16;

// Null when index has no routine.
const TrapEntry* trapEntry(uint32_t index);

inline uint32_t stubAddress(uint32_t index) { return kFirstStub + index * kStubSize; }

// Runs a routine for guest code whose stack pointer is esp (the return address on top).
// Returns false when the program must end instead of going on: ended then holds the vxEx
// to throw once the CPU has stopped. Nothing thrown by the routine escapes.
bool callRoutine(const TrapEntry& t, uint32_t esp, CallFrame& frame, vxEx& ended) noexcept;

}  // namespace korva::guest
