// The x86-32 CPU that runs compiled programs, whichever backend provides it. One per run:
// code patched after translation would otherwise keep running in its old form.
//
// Guest code runs in user mode (privilege level 3) with flat segments: privileged
// instructions and system calls end the program with a run-time error, and only the code
// pages in use are executable (see memory.h).
#pragma once
#include <cstdint>

namespace korva::guest {

class GuestCpu {
 public:
  GuestCpu();
  ~GuestCpu();
  GuestCpu(const GuestCpu&) = delete;
  GuestCpu& operator=(const GuestCpu&) = delete;

  // Calls the routine at entry (no arguments, caller-cleans) and returns when it returns.
  // A fault in guest code raises its run-time error; a vxEx thrown by a routine that the
  // program called is rethrown here, after the CPU has stopped.
  void call(uint32_t entry);

  // The CPU running on this thread, or null.
  static GuestCpu* current();

 private:
  struct Engine;  // the backend's own state
  Engine* engine_;
};

}  // namespace korva::guest
