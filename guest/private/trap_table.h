// The table behind the routine stubs, shared by both backends: a stub knows its index, the
// index gives the routine.
#pragma once
#include <cstdint>
#include <new>

#include "guest/memory.h"
#include "guest/private/backend.h"
#include "guest/trap.h"
#include "core/errors.h"

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

namespace detail {
// Filled by trapAddress; every guest call reads them, so they are plain globals.
extern const TrapEntry* g_entries;
extern uint32_t g_entryCount;
extern CallObserver* g_callObserver;
}  // namespace detail

// Null when index has no routine.
inline const TrapEntry* trapEntry(uint32_t index) {
  return index < __atomic_load_n(&detail::g_entryCount, __ATOMIC_ACQUIRE) ? &detail::g_entries[index] : nullptr;
}

inline uint32_t stubAddress(uint32_t index) { return kFirstStub + index * kStubSize; }

// Runs a routine for guest code whose stack pointer is esp (the return address on top).
// Returns false when the program must end instead of going on: ended then holds the vxEx
// to throw once the CPU has stopped. Nothing thrown by the routine escapes.
inline bool callRoutine(const TrapEntry& t, uint32_t esp, CallFrame& frame, vxEx& ended) noexcept {
  try {
    try {
      if (!inGuest(esp, 4u * (t.argCount + 1))) raiseRuntimeError("Illegal memory address");
      frame.args = ptr<const Word>(esp + 4);
      if (CallObserver* observer = detail::g_callObserver)
        observer->call(stubAddress(static_cast<uint32_t>(&t - detail::g_entries)), t.handler, frame);
      else
        t.handler(frame);
    } catch (const std::bad_alloc&) {
      raiseRuntimeError("Out of memory");
    } catch (const vxEx&) {
      throw;
    } catch (...) {
      raiseRuntimeError("Unknown runtime exception");
    }
  } catch (const vxEx& e) {
    ended = e;
    return false;
  }
  if (endRequested()) {
    ended = vxEx{nullptr};
    return false;
  }
  return true;
}

}  // namespace korva::guest
