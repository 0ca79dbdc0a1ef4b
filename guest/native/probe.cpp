#if defined(__x86_64__) && defined(__linux__)
#include "guest/native/probe.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "guest/native/low_memory.h"

namespace korva::guest::native {
namespace {

constexpr int kCaught[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};
constexpr uint32_t kProbeIndex = 0xFFFFFFFF;
constexpr size_t kProbeBytes = 3 * 4096;  // trampolines, then the stack
constexpr size_t kAltStackBytes = 64 * 1024;

std::mutex g_probing;
std::atomic<long> g_prober{0};
sigjmp_buf g_back;
struct sigaction g_saved[NSIG];

void onSignal(int sig, siginfo_t* info, void* context) {
  if (syscall(SYS_gettid) == g_prober.load()) siglongjmp(g_back, sig);
  // Another thread's: as if the probe were not there.
  const struct sigaction& s = g_saved[sig];
  if (s.sa_flags & SA_SIGINFO) {
    if (s.sa_sigaction) s.sa_sigaction(sig, info, context);
  } else if (s.sa_handler != SIG_DFL && s.sa_handler != SIG_IGN) {
    s.sa_handler(sig);
  } else {
    sigaction(sig, &s, nullptr);  // the fault repeats under the old disposition
  }
}

uint64_t probeDispatch(uint32_t index, uint32_t) { return index == kProbeIndex ? 41 : kAbandon; }

const char* signalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    default: return "SIGTRAP";
  }
}

}  // namespace

std::string probe(uint16_t guestCode) {
  std::lock_guard lock(g_probing);
  if (!mapZone(kProbePages, kProbeBytes)) return "no room for the probe below 4 GiB";
  uint32_t noEnd = 0;
  GateState state{};
  state.guestCw = 0x007F;
  state.guestMxcsr = 0x1F80;
  state.endFlag = &noEnd;
  Trampolines t = installTrampolines(kProbePages, &state, &probeDispatch, guestCode);
  if (!t.base) {
    unmapZone(kProbePages, kProbeBytes);
    return "cannot make the probe's page executable";
  }

  // The probe's faults arrive on an alternate stack of its own.
  void* altMemory = mmap(nullptr, kAltStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  stack_t alt{}, oldAlt{};
  alt.ss_sp = altMemory;
  alt.ss_size = kAltStackBytes;
  sigaltstack(&alt, &oldAlt);
  struct sigaction sa {};
  sa.sa_sigaction = &onSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kCaught) sigaction(sig, &sa, &g_saved[sig]);

  uint16_t cw;
  uint32_t mxcsr;
  asm volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(cw), "=m"(mxcsr));
  g_prober.store(syscall(SYS_gettid));
  volatile uint64_t result = 0;
  int caught = sigsetjmp(g_back, 1);
  if (caught == 0) result = t.enter(t.probeRoutine, static_cast<uint32_t>(kProbePages + kProbeBytes - 16));
  g_prober.store(0);
  // A fault left the guest's control words in place.
  asm volatile("fninit\n\tfldcw %0\n\tldmxcsr %1" ::"m"(cw), "m"(mxcsr));

  for (int sig : kCaught) sigaction(sig, &g_saved[sig], nullptr);
  sigaltstack(&oldAlt, nullptr);
  munmap(altMemory, kAltStackBytes);
  unmapZone(kProbePages, kProbeBytes);

  if (caught) return std::string("32-bit code cannot run in this process (") + signalName(caught) + " on the way)";
  if (result != 42) return "32-bit code does not run as 32-bit code here";
  return {};
}

}  // namespace korva::guest::native
#endif
