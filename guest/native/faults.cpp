#if defined(__x86_64__) && defined(__linux__)
#include "guest/native/faults.h"

#include <sys/auxv.h>

#include "guest/fault.h"
#include "guest/memory.h"

namespace korva::guest::native {
namespace {

constexpr int kModRmRegs[8] = {REG_RAX, REG_RCX, REG_RDX, REG_RBX, REG_RSP, REG_RBP, REG_RSI, REG_RDI};

uint32_t readReg(void* ctx, int i) {
  return static_cast<uint32_t>(static_cast<const ucontext_t*>(ctx)->uc_mcontext.gregs[kModRmRegs[i]]);
}

// The bytes at eip when they are guest memory, else null.
const uint8_t* codeAt(uint32_t eip, uint32_t size) { return inRegion(eip, size) ? ptr<uint8_t>(eip) : nullptr; }

bool isSystemCall(const uint8_t* code) {
  return code && code[0] == 0x0F && (code[1] == 0x05 || code[1] == 0x34);  // syscall, sysenter
}

// Where the kernel turns a 64-bit process's "sysenter" away unexecuted, the thread comes
// back in 32-bit mode at the landing place in the 32-bit vDSO, which such a process lacks:
// an address in the 64-bit vDSO's first pages, cut to 32 bits, where nothing runs.
const uint64_t g_vdso = getauxval(AT_SYSINFO_EHDR);
constexpr uint64_t kVdsoWindow = 64 * 1024;

bool sysenterTurnedAway(uint32_t eip, const siginfo_t* info) {
  if (!g_vdso || reinterpret_cast<uint64_t>(info->si_addr) != eip) return false;  // not a fetch
  uint64_t widened = (g_vdso & ~uint64_t(0xFFFFFFFF)) | eip;
  return widened >= g_vdso && widened - g_vdso < kVdsoWindow;
}

}  // namespace

const char* faultMessage(int sig, const siginfo_t* info, const ucontext_t* context) {
  auto* ctx = const_cast<ucontext_t*>(context);
  const greg_t* g = context->uc_mcontext.gregs;
  uint32_t eip = static_cast<uint32_t>(g[REG_RIP]);
  uint32_t vector = static_cast<uint32_t>(g[REG_TRAPNO]);
  if (sig == SIGSYS) return kPrivilegedMessage;  // a 32-bit system call, trapped
  switch (vector) {
    case 6:  // where "syscall" and "sysenter" do not enter the kernel, they are invalid
      return isSystemCall(codeAt(eip, 2)) ? kPrivilegedMessage : exceptionMessage(6, eip, &readReg, ctx);
    case 13:  // "int n" to a gate guest code may not use faults with the gate in the error code
      if (g[REG_ERR] & 2) vector = static_cast<uint32_t>(g[REG_ERR]) >> 3;
      return exceptionMessage(vector, eip, &readReg, ctx);
    case 14: {
      uint64_t address = reinterpret_cast<uint64_t>(info->si_addr);
      // First: a turned-away "sysenter" leaves ESP as whatever EBP held, which may well look
      // like a stack that ran over.
      if (sysenterTurnedAway(eip, info)) return kPrivilegedMessage;
      // The stack area's lower neighbours: a frame that jumps the guard lands below it.
      if (address < kStackBase && readReg(ctx, 4) < kStackBase + kPageSize) return "Stack overflow!";
      return "Illegal memory address";
    }
    default:
      return exceptionMessage(vector, eip, &readReg, ctx);
  }
}

}  // namespace korva::guest::native
#endif
