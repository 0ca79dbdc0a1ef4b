// Hosts where 32-bit x86 code cannot run natively: only the emulated backend exists.
#if !(defined(__x86_64__) && defined(__linux__))
#include "guest/private/backend.h"

namespace korva::guest {

const CpuBackend* nativeBackend() { return nullptr; }
std::string nativeProbe(uint16_t) { return "not an x86-64 Linux host"; }

}  // namespace korva::guest
#endif
