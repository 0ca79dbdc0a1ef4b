// The x86-32 CPU that runs compiled programs, whichever backend provides it (backend.h
// says which runs and why). One per run.
//
// Guest code cannot write the routine stubs and can only run the code pages in use (see
// memory.h); privileged instructions and system calls end the program with a run-time
// error.
#pragma once
#include <cstdint>
#include <memory>

namespace korva::guest {

class CpuEngine;

class GuestCpu {
 public:
  GuestCpu();
  ~GuestCpu();
  GuestCpu(const GuestCpu&) = delete;
  GuestCpu& operator=(const GuestCpu&) = delete;

  // Calls the routine at entry (no arguments, caller-cleans) and returns when it returns.
  // A fault in guest code raises its run-time error; a vxEx thrown by a routine that the
  // program called is rethrown here, after the CPU has stopped. Raises a run-time error
  // when no backend can run here.
  void call(uint32_t entry);

  // The CPU running on this thread, or null.
  static GuestCpu* current();

  // Ends the running program quietly and at once, even in guest code that never calls the
  // run-time. Any thread; in force until clearEndRequest().
  static void requestEnd();
  // A new run begins: earlier end requests no longer apply.
  static void clearEndRequest();

 private:
  std::unique_ptr<CpuEngine> engine_;
};

}  // namespace korva::guest
