// What a CPU backend gives guest/: the stub that leads from guest code into a routine, an
// engine per run, and a way to stop guest code from another thread. The emulated backend
// (emulated/) and the native one (native/) each fill one table; guest/ picks one at
// start-up (select.cpp) and nothing above guest/ knows which.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace korva::guest {

// Runs guest code for one program.
class CpuEngine {
 public:
  virtual ~CpuEngine() = default;
  // Same contract as GuestCpu::call.
  virtual void call(uint32_t entry) = 0;
};

struct CpuBackend {
  const char* name;
  // Makes the backend ready: runs once, before the first stub is written. Returns why it
  // cannot run, or an empty text.
  std::string (*prepare)();
  // Writes the stub of trap table entry index at guest address at (kStubSize bytes).
  void (*writeStub)(uint32_t at, uint32_t index, bool floatResult);
  std::unique_ptr<CpuEngine> (*open)();
  // Called from any thread after the end request is set: guest code must notice it soon,
  // even in a loop that never calls the run-time.
  void (*interrupt)();
};

const CpuBackend& emulatedBackend();
// Null where the native backend is not built (not an x86-64 Linux host).
const CpuBackend* nativeBackend();
// Why the native backend cannot run in this process (the probe, the memory layout), or an
// empty text. Leaves nothing behind. guestCode: the probe's 32-bit code selector (0: the
// usual one).
std::string nativeProbe(uint16_t guestCode);

// The backend this process uses, prepared; null when the one asked for cannot run here
// (cpuChoice() says why).
const CpuBackend* activeBackend();

// The backend once it is prepared, else null; never decides or prepares anything itself.
const CpuBackend* preparedBackend();

namespace detail {
extern uint32_t g_endRequested;  // a plain word: the native trampolines read it too
}  // namespace detail

// Set by GuestCpu::requestEnd until GuestCpu::clearEndRequest; endFlag is the word itself,
// non-zero while set.
inline bool endRequested() { return __atomic_load_n(&detail::g_endRequested, __ATOMIC_ACQUIRE) != 0; }
inline const uint32_t& endFlag() { return detail::g_endRequested; }

}  // namespace korva::guest
