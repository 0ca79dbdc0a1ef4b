// The embedded x86-32 CPU that runs compiled programs. One engine per run: code patched
// after translation would otherwise keep running in its old form.
#pragma once
#include <cstdint>

struct uc_struct;

namespace korva::guest {

class GuestCpu {
 public:
  GuestCpu();
  ~GuestCpu();
  GuestCpu(const GuestCpu&) = delete;
  GuestCpu& operator=(const GuestCpu&) = delete;

  // Calls the routine at entry (no arguments, caller-cleans) and returns when it returns.
  // A fault in guest code raises its run-time error; a vxEx thrown by a routine that the
  // program called is rethrown here, after the emulator has stopped.
  void call(uint32_t entry);

  // The CPU running on this thread, or null.
  static GuestCpu* current();

 private:
  struct Hooks;
  uc_struct* uc_ = nullptr;
};

}  // namespace korva::guest
