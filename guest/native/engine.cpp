#if defined(__x86_64__) && defined(__linux__)
// The native backend: guest code runs on the processor itself, in 32-bit compatibility
// mode, on the thread that calls the run. One run at a time in the process.
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "guest/memory.h"
#include "guest/native/faults.h"
#include "guest/native/gate.h"
#include "guest/native/low_memory.h"
#include "guest/native/probe.h"
#include "guest/native/seccomp.h"
#include "guest/native/signals.h"
#include "guest/private/backend.h"
#include "guest/private/heap.h"
#include "guest/private/trap_table.h"
#include "core/errors.h"

// Read by the trampolines and the signal entry; a global of the run-time, so above 4 GiB.
extern "C" __attribute__((visibility("hidden"))) korva::guest::native::GateState korva_gate_state;
korva::guest::native::GateState korva_gate_state;

// Guest code may have loaded FS, which takes the run-time's thread-local storage away: on
// the guest thread the entry sets FS back (arch_prctl) before any compiled code runs.
asm(R"(
  .text
  .globl korva_native_signal_entry
  .hidden korva_native_signal_entry
  .type korva_native_signal_entry, @function
korva_native_signal_entry:
  push %rdi
  push %rsi
  push %rdx
  mov $186, %eax               # gettid
  syscall
  lea korva_gate_state(%rip), %r8
  cmpl $0, 48(%r8)
  je 1f
  cmp 44(%r8), %eax
  jne 1f
  mov 8(%r8), %rsi
  mov $0x1002, %edi
  mov $158, %eax
  syscall
1:
  pop %rdx
  pop %rsi
  pop %rdi
  jmp korvaNativeSignal
  .size korva_native_signal_entry, . - korva_native_signal_entry
)");

namespace korva::guest::native {
namespace {

constexpr uint16_t kGuestFpcw = 0x007F;  // exceptions masked, 24-bit precision, round to nearest
constexpr uint32_t kGuestMxcsr = 0x1F80;
constexpr uint64_t kHwcap2FsGsBase = 1 << 1;

// The run in progress on the guest thread: what ends it early.
struct Run {
  vxEx pending{nullptr};  // from a routine
  const char* fault = nullptr;
};

Trampolines g_trampolines;
std::recursive_mutex g_running;  // runs nest only on one thread
Run* g_run = nullptr;

uint64_t threadPointer() {
  uint64_t p;
  asm("mov %%fs:0, %0" : "=r"(p));
  return p;
}

extern "C" uint64_t korvaNativeDispatch(uint32_t index, uint32_t esp) noexcept {
  Run& run = *g_run;
  const TrapEntry* t = trapEntry(index);
  if (!t) {  // a far jump into the gate that no stub made
    try {
      raiseRuntimeError("Unknown runtime exception");
    } catch (const vxEx& e) {
      run.pending = e;
    }
    return kAbandon;
  }
  CallFrame frame{nullptr, 0, 0.0f};
  if (!callRoutine(*t, esp, frame, run.pending)) return kAbandon;
  if (t->floatResult) {
    korva_gate_state.fresult = frame.fresult;
    return kFloatResult;
  }
  return frame.result;
}

// Points the interrupted context at the trampolines' way out.
void land(ucontext_t* uc, Status status) {
  greg_t* g = uc->uc_mcontext.gregs;
  g[REG_RIP] = static_cast<greg_t>(g_trampolines.leave);
  g[REG_RSP] = static_cast<greg_t>(korva_gate_state.hostRsp);
  g[REG_RAX] = status;
  g[REG_RDX] = 0;
  g[REG_EFL] &= ~greg_t(0x40500);  // AC, DF, TF
  g[REG_CSGSFS] = (g[REG_CSGSFS] & ~greg_t(0xFFFF)) | kHostCode;
}

void protectCodePages() {
  static uint32_t executableEnd = kCodeBase;
  uint32_t end = codeInUseEnd();
  if (end <= executableEnd) return;
  mprotect(ptr(executableEnd), end - executableEnd, PROT_READ | PROT_WRITE | PROT_EXEC);
  executableEnd = end;
}

class NativeEngine final : public CpuEngine {
 public:
  void call(uint32_t entry) override {
    std::lock_guard lock(g_running);
    ensureAltStack();
    if (!trapGuestSystemCalls()) raiseRuntimeError("Cannot run the program: system calls cannot be trapped");
    installHandlers();
    moveOthersOntoAltStack();
    protectCodePages();

    GateState& s = korva_gate_state;
    Run run;
    Run* outerRun = g_run;
    GateState outer = s;
    g_run = &run;
    s.fsBase = threadPointer();
    __atomic_store_n(&s.tid, static_cast<int32_t>(syscall(SYS_gettid)), __ATOMIC_RELEASE);
    __atomic_store_n(&s.active, 1, __ATOMIC_RELEASE);
    uint64_t result = g_trampolines.enter(entry, kStackTop - 16);
    __atomic_store_n(&s.active, outer.active, __ATOMIC_RELEASE);
    s.tid = outer.tid;
    s.fsBase = outer.fsBase;
    g_run = outerRun;

    switch (static_cast<Status>(result >> 32)) {
      case kReturned:
        return;
      case kAbandoned:
        throw run.pending;
      case kFaulted:
        raiseRuntimeError(run.fault);
      case kEnded:
        endQuietly();
    }
    raiseRuntimeError("Unknown runtime exception");
  }
};

std::string prepare() {
  reserve();
  if (!mapZone(kTrampolinePage, kPageSize)) return "no room for the trampolines below 4 GiB";
  g_trampolines = installTrampolines(kTrampolinePage, &korva_gate_state, &korvaNativeDispatch, kGuestCode);
  if (!g_trampolines.base) return "cannot make the trampolines executable";
  if (std::string why = reserveLowMemory(); !why.empty()) return why;
  // Guest code may read and run the stubs, never write them.
  mprotect(ptr(kTrapBase), kTrapSize, PROT_READ | PROT_EXEC);
  GateState& s = korva_gate_state;
  s.guestCw = kGuestFpcw;
  s.guestMxcsr = kGuestMxcsr;
  s.endFlag = &endFlag();
  s.hasFsGsBase = (getauxval(AT_HWCAP2) & kHwcap2FsGsBase) != 0;
  installHandlers();
  return {};
}

// "mov ecx, index; jmp far 0x33:gate"
void writeStub(uint32_t at, uint32_t index, bool) {
  uint8_t stub[12] = {0xB9, 0, 0, 0, 0, 0xEA, 0, 0, 0, 0, kHostCode, 0};
  std::memcpy(stub + 1, &index, 4);
  std::memcpy(stub + 6, &g_trampolines.gate, 4);
  void* page = ptr(at & ~(kPageSize - 1));
  mprotect(page, kPageSize, PROT_READ | PROT_WRITE | PROT_EXEC);
  std::memcpy(ptr(at), stub, sizeof stub);
  mprotect(page, kPageSize, PROT_READ | PROT_EXEC);
}

std::unique_ptr<CpuEngine> open() { return std::make_unique<NativeEngine>(); }

// Lock-free: may run in a signal handler or race with the end of the run. A signal that
// reaches a thread no longer running guest code is passed on and harms nothing.
void interrupt() {
  GateState& s = korva_gate_state;
  if (__atomic_load_n(&s.active, __ATOMIC_ACQUIRE))
    syscall(SYS_tgkill, getpid(), __atomic_load_n(&s.tid, __ATOMIC_ACQUIRE), kEndSignal);
}

bool onGuestThread() {
  const GateState& s = korva_gate_state;
  return __atomic_load_n(&s.active, __ATOMIC_ACQUIRE) && syscall(SYS_gettid) == s.tid;
}

}  // namespace

// FS is right here: korva_native_signal_entry saw to it.
//
// Guest code is what runs in 32-bit mode, and whatever runs below 4 GiB outside the
// trampolines: nothing else can run there, and guest code that far-jumped to the 64-bit
// code selector is still guest code. What it does in 64-bit mode faults as on the emulated
// CPU, which refuses the far jump itself: with "Illegal memory address".
extern "C" __attribute__((visibility("hidden"))) void korvaNativeSignal(int sig, siginfo_t* info, void* context) {
  int savedErrno = errno;
  auto* uc = static_cast<ucontext_t*>(context);
  uint64_t rip = static_cast<uint64_t>(uc->uc_mcontext.gregs[REG_RIP]);
  bool mode32 = (uc->uc_mcontext.gregs[REG_CSGSFS] & 0xFFFF) == kGuestCode;
  bool guestCode = mode32 || (rip < k4GiB && !g_trampolines.contains(rip));
  bool guestThread = onGuestThread();
  if (sig == kEndSignal) {
    if (!guestThread || !endRequested())
      chain(sig, info, context);
    else if (guestCode || g_trampolines.inTail(rip))
      land(uc, kEnded);
    // Elsewhere the run-time runs, and the trampolines look at the flag on the way back.
  } else if (guestThread && info->si_code > 0 && (guestCode || g_trampolines.contains(rip))) {
    g_run->fault = guestCode && !mode32 ? "Illegal memory address" : faultMessage(sig, info, uc);
    land(uc, kFaulted);
  } else {
    chain(sig, info, context);
  }
  errno = savedErrno;
}

}  // namespace korva::guest::native

namespace korva::guest {

const CpuBackend* nativeBackend() {
  static const CpuBackend backend{"native", &native::prepare, &native::writeStub, &native::open, &native::interrupt};
  return &backend;
}

std::string nativeProbe(uint16_t guestCode) {
  if (reinterpret_cast<uintptr_t>(&korva_gate_state) < native::k4GiB)
    return "the run-time lies below 4 GiB (not built position-independent)";
  if (std::string why = native::probe(guestCode ? guestCode : native::kGuestCode); !why.empty()) return why;
  if (!native::systemCallTrapAvailable()) return "the kernel cannot trap 32-bit system calls (no seccomp filters)";
  if (std::string other = native::foreignLowMapping(); !other.empty())
    return "memory below 4 GiB is in use (" + other + "), where guest code could reach it";
  return {};
}

}  // namespace korva::guest
#endif
