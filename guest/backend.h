// Which CPU backend runs guest code in this process, and why. Decided once, on first use:
// the native backend where this host runs 32-bit code in a 64-bit process (a probe tells),
// the emulated one otherwise. KORVA_CPU=native|emulated, or preferCpu() before first use,
// forces one.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace korva::guest {

struct CpuChoice {
  bool ok = false;
  std::string name;    // "native" or "emulated"; the one asked for when !ok
  std::string reason;  // why this one; when !ok, a one-line error saying why it cannot run
};

// The --cpu option: overrides KORVA_CPU ("" decides by probing). Only before anything used
// the CPU; returns false for a name that is not "native", "emulated" or "".
bool preferCpu(std::string_view name);

const CpuChoice& cpuChoice();

// The native backend's verdict on this host, without choosing it: empty when it can run,
// else why not.
std::string nativeUnavailableReason();

namespace testing {
// The native probe tries guestCode as the selector of 32-bit code: one that is not present
// fails as a host without 32-bit support does. Only before anything used the CPU.
void probeWithSelector(uint16_t guestCode);
}  // namespace testing

}  // namespace korva::guest
