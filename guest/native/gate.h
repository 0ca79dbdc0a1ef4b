// The transitions between the run-time (64-bit code) and guest code (32-bit compatibility
// mode in the same process): far jumps between the kernel's two user code selectors,
// through trampolines in one read-and-execute page below 4 GiB, since a far jump carries a
// 32-bit offset.
//
//   enter    run-time -> guest: saves the run-time's registers, control words and stack,
//            gives the guest DS/ES, its control words and an empty x87 stack, and far-jumps
//            into 32-bit code that "returns" into the entry; the entry's own return lands
//            on an exit that far-jumps back.
//   gate     guest -> routine: a stub "mov ecx, index; jmp far 0x33:gate" in the guest trap
//            area. The gate moves to the run-time's stack, clears DF, AC and TF, repairs FS,
//            swaps the control words, empties a dirty x87 stack, calls the dispatcher and
//            comes back with the result in EAX or on the x87 stack.
//   leave    where every run ends: a return of the entry, a vxEx from a routine, a fault
//            (the signal handler points the interrupted context here) or an end request.
//            The run-time's stack, flags, FS and control words come back whole.
//
// Nothing the trampolines write lies below 4 GiB: their state is GateState, a global of the
// run-time, and the run-time's stack.
#pragma once
#include <cstddef>
#include <cstdint>

namespace korva::guest::native {

inline constexpr uint16_t kGuestCode = 0x23;  // the kernel's 32-bit user code selector
inline constexpr uint16_t kHostCode = 0x33;   // its 64-bit one

// How enter() came back: bits 32-63 of its result. On kReturned bits 0-31 hold EAX.
enum Status : uint32_t { kReturned = 0, kAbandoned = 1, kFaulted = 2, kEnded = 3 };

// What the dispatcher hands the gate: the EAX word, and in bits 32-63 one of these.
inline constexpr uint64_t kIntResult = 0;
inline constexpr uint64_t kFloatResult = uint64_t(1) << 32;
inline constexpr uint64_t kAbandon = uint64_t(2) << 32;
using Dispatch = uint64_t (*)(uint32_t index, uint32_t esp);

// The field offsets are spelt out in the trampolines' assembly (trampolines.cpp).
struct GateState {
  uint64_t hostRsp;           // 0: the run-time's stack while guest code runs
  uint64_t fsBase;            // 8: the guest thread's FS base, for repairs
  uint32_t hostMxcsr;         // 16
  uint16_t hostCw;            // 20
  uint16_t guestCw;           // 22: what guest code starts with
  uint32_t guestMxcsr;        // 24
  float fresult;              // 28: a float result on its way to the x87 stack
  const uint32_t* endFlag;    // 32: non-zero: the program is to end
  uint32_t hasFsGsBase;       // 40: rdfsbase may be used
  int32_t tid;                // 44: the thread that runs guest code
  uint32_t active;            // 48: guest code may be running on that thread
};
static_assert(offsetof(GateState, hostRsp) == 0 && offsetof(GateState, fsBase) == 8 &&
              offsetof(GateState, hostMxcsr) == 16 && offsetof(GateState, hostCw) == 20 &&
              offsetof(GateState, guestCw) == 22 && offsetof(GateState, guestMxcsr) == 24 &&
              offsetof(GateState, fresult) == 28 && offsetof(GateState, endFlag) == 32 &&
              offsetof(GateState, hasFsGsBase) == 40 && offsetof(GateState, tid) == 44 &&
              offsetof(GateState, active) == 48);

// One installed copy of the trampolines.
struct Trampolines {
  uintptr_t base = 0;  // 0: not installed
  uint32_t size = 0;
  // Runs guest code at entry with ESP = guestEsp (the return address goes there).
  uint64_t (*enter)(uint32_t entry, uint32_t guestEsp) = nullptr;
  uint32_t gate = 0;
  uintptr_t leave = 0;  // eax: status, edx: 0; any stack
  uint32_t probeRoutine = 0;  // 32-bit: calls routine 0xFFFFFFFF through the gate, adds 1

  bool contains(uint64_t rip) const { return rip - base < size; }
  // True where an end request must stop the run at once, because the next instructions go
  // to guest code without looking at the flag again.
  bool inTail(uint64_t rip) const;

  uintptr_t enterTail = 0, enterTailEnd = 0, gateTail = 0, gateTailEnd = 0;
};

// Copies the trampolines into the page at address page (below 4 GiB, mapped writable),
// wired to state and dispatch, with guestCode as the selector of 32-bit code (a test names
// another), and makes the page read-and-execute.
Trampolines installTrampolines(uintptr_t page, GateState* state, Dispatch dispatch, uint16_t guestCode);
uint32_t trampolineBytes();

// The signal handlers' first instructions: on the guest thread they make FS right before
// any C++ code runs (guest code may have loaded FS), then go on to nativeSignal.
extern "C" void korva_native_signal_entry(int sig, void* info, void* context);

}  // namespace korva::guest::native
