#if defined(__x86_64__) && defined(__linux__)
#include "guest/native/faults.h"

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

}  // namespace

const char* faultMessage(int sig, const siginfo_t* info, const ucontext_t* context) {
  auto* ctx = const_cast<ucontext_t*>(context);
  uint32_t eip = static_cast<uint32_t>(context->uc_mcontext.gregs[REG_RIP]);
  switch (sig) {
    case SIGFPE:
      return exceptionMessage(info->si_code == FPE_INTDIV || info->si_code == FPE_INTOVF ? 0 : 16, eip, &readReg, ctx);
    case SIGILL:
      return isSystemCall(codeAt(eip, 2)) ? kPrivilegedMessage : exceptionMessage(6, eip, &readReg, ctx);
    case SIGSEGV:
      if (info->si_code == SI_KERNEL) {  // a protection fault: a privileged instruction, "int n", a selector
        const uint8_t* code = codeAt(eip, 2);
        return exceptionMessage(code && code[0] == 0xCD ? code[1] : 13, eip, &readReg, ctx);
      } else {
        uint64_t address = reinterpret_cast<uint64_t>(info->si_addr);
        uint32_t esp = readReg(ctx, 4);
        // The stack area's lower neighbours: a frame that jumps the guard lands below it.
        if (address < kStackBase && esp < kStackBase + kPageSize) return "Stack overflow!";
        return "Illegal memory address";
      }
    case SIGBUS:
      return info->si_code == BUS_ADRALN ? exceptionMessage(17, eip, &readReg, ctx) : "Illegal memory address";
    case SIGSYS:
      return kPrivilegedMessage;
    default:  // SIGTRAP: int3, a trap flag set by guest code
      return exceptionMessage(3, eip, &readReg, ctx);
  }
}

}  // namespace korva::guest::native
#endif
