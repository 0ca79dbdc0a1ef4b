// Hosts where 32-bit x86 code cannot run natively: only the emulated backend exists, and the
// reason names the host.
#if !(defined(__x86_64__) && defined(__linux__))
#include "guest/private/backend.h"

namespace korva::guest {

namespace {

#if defined(__x86_64__)
constexpr const char* kWhy = "the native CPU needs Linux";
#elif defined(__aarch64__)
constexpr const char* kWhy = "this host's processor is arm64 (aarch64), which has no 32-bit x86 mode";
#elif defined(__riscv)
constexpr const char* kWhy = "this host's processor is RISC-V, which has no 32-bit x86 mode";
#elif defined(__powerpc64__)
constexpr const char* kWhy = "this host's processor is POWER, which has no 32-bit x86 mode";
#else
constexpr const char* kWhy = "this host's processor is not x86-64";
#endif

}  // namespace

const CpuBackend* nativeBackend() { return nullptr; }
std::string nativeProbe(uint16_t) { return kWhy; }

}  // namespace korva::guest
#endif
