// Can this host run 32-bit code in this 64-bit process? The probe runs the very
// transitions that guest code uses (enter, a call through the gate, the way back) on a
// routine that gives 42 only in 32-bit mode; a signal on the way means no. It leaves
// nothing behind: its pages and handlers are gone when it returns.
#pragma once
#include <cstdint>
#include <string>

#include "guest/native/gate.h"

namespace korva::guest::native {

// Empty when the probe passed, else what went wrong. guestCode is the selector of 32-bit
// code to try (a test names one that fails the way a host without 32-bit support does).
std::string probe(uint16_t guestCode = kGuestCode);

}  // namespace korva::guest::native
