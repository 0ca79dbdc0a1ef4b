// The emulated backend: guest code on a Unicorn engine, in user mode, over guest memory
// mapped with the permissions of memory.h. Stubs are "int 0x80; ret" (a float result:
// "int 0x80; fld dword [slot]; ret"); the interrupt hook finds the routine by the stub.
//
// Engine facts this file relies on: a fault hook must stop the engine, and an engine that
// faulted is not reused; UC_ERR_OK from uc_emu_start proves nothing until EIP is the return
// sentinel; the x87 control word reads 0 until written; a stop from another thread leaves
// guest state inexact (translation.h), so a run goes on after a stop only when its own
// new-block hook stopped it, before that block ran.
#include <cstring>
#include <new>
#include <stdexcept>

#include "guest/fault.h"
#include "guest/memory.h"
#include "guest/private/backend.h"
#include "guest/private/trap_table.h"
#include "guest/emulated/ring3.h"
#include "guest/emulated/ending.h"
#include "guest/emulated/translation.h"
#include "guest/emulated/unicorn_functions.h"
#include "core/errors.h"

namespace korva::guest {
namespace {

constexpr uint32_t kSentinel = kTrapBase;        // "hlt": never executed, the emulator stops there
constexpr uint32_t kFloatSlot = kTrapBase + 16;  // float results on their way to the x87 stack

// Guest x87 control word: all exceptions masked, 24-bit precision, round to nearest.
constexpr uint16_t kGuestFpcw = 0x007F;
// The engine starts with every SSE exception unmasked; the processor's default masks them.
constexpr uint32_t kGuestMxcsr = 0x1F80;

// One run's state, which the hooks (user data) and the run loop share.
struct RunState {
  bool hasPending = false;  // a routine ended the program with this vxEx
  vxEx pending{nullptr};
  const char* fault = nullptr;  // a fault seen by a hook
  bool stoppedToFlush = false;  // the new-block hook stopped the engine
  TranslationBudget budget{translationLimits()};
};

RunState& state(void* user) { return *static_cast<RunState*>(user); }

uint32_t reg(uc_engine* uc, int r) {
  uint32_t v = 0;
  unicorn().uc_reg_read(uc, r, &v);
  return v;
}

constexpr int kModRmRegs[8] = {UC_X86_REG_EAX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_EBX,
                               UC_X86_REG_ESP, UC_X86_REG_EBP, UC_X86_REG_ESI, UC_X86_REG_EDI};
uint32_t readModRmReg(void* ctx, int i) { return reg(static_cast<uc_engine*>(ctx), kModRmRegs[i]); }

void stopWith(uc_engine* uc, RunState& s, const char* fault) {
  if (!s.fault) s.fault = fault;
  unicorn().uc_emu_stop(uc);
}

void stopWith(uc_engine* uc, RunState& s, const vxEx& e) {
  s.hasPending = true;
  s.pending = e;
  unicorn().uc_emu_stop(uc);
}

// The entry whose "int 0x80" ends just before addressAfterInt, or null.
const TrapEntry* trapAt(uint32_t addressAfterInt) {
  uint32_t stub = addressAfterInt - 2;
  if (stub < kFirstStub || (stub - kFirstStub) % kStubSize != 0) return nullptr;
  return trapEntry((stub - kFirstStub) / kStubSize);
}

void onInterrupt(uc_engine* uc, uint32_t intno, void* user) {
  RunState& s = state(user);
  if (intno == 0x80) {
    if (const TrapEntry* t = trapAt(reg(uc, UC_X86_REG_EIP))) {
      CallFrame frame{nullptr, 0, 0.0f};
      vxEx ended{nullptr};
      if (!callRoutine(*t, reg(uc, UC_X86_REG_ESP), frame, ended)) return stopWith(uc, s, ended);
      if (t->floatResult)
        *ptr<float>(kFloatSlot) = frame.fresult;
      else
        unicorn().uc_reg_write(uc, UC_X86_REG_EAX, &frame.result);
      // No block is running here and the next one is looked up afresh.
      if (s.budget.afterCall()) {
        unicorn().uc_ctl(uc, UC_CTL_WRITE(UC_CTL_TB_FLUSH, 0));
        s.budget.flushed(false);
      }
      return;
    }
  }
  stopWith(uc, s, exceptionMessage(intno, reg(uc, UC_X86_REG_EIP), &readModRmReg, uc));
}

// Runs when a block is linked in, before it runs, with EIP at its start: a stop here is
// exact. Every new translation passes here, so a program that never calls the run-time is
// bounded too.
void onNewBlock(uc_engine* uc, uc_tb* block, uc_tb*, void* user) {
  RunState& s = state(user);
  if (!s.budget.atNewBlock(block->icount)) return;
  s.stoppedToFlush = true;
  unicorn().uc_emu_stop(uc);
}
// An access to unmapped memory, or a read or write that the memory's permissions refuse.
// The trap area lies below the stack guard: a frame that jumps the guard lands there.
bool onBadAccess(uc_engine* uc, uc_mem_type, uint64_t address, int, int64_t, void* user) {
  uint32_t esp = reg(uc, UC_X86_REG_ESP);
  bool stack = address < kStackBase && esp < kStackBase + kPageSize;
  state(user).fault = stack ? "Stack overflow!" : "Illegal memory address";
  return false;
}

bool onInvalid(uc_engine*, void* user) {
  state(user).fault = "Illegal instruction";
  return false;
}

// Port I/O and system calls: the engine would carry them out silently in user mode.
uint32_t onIn(uc_engine* uc, uint32_t, int, void* user) {
  stopWith(uc, state(user), kPrivilegedMessage);
  return 0;
}
void onOut(uc_engine* uc, uint32_t, int, uint32_t, void* user) { stopWith(uc, state(user), kPrivilegedMessage); }
void onSystemCall(uc_engine* uc, void* user) { stopWith(uc, state(user), kPrivilegedMessage); }

const char* errorMessage(uc_err err) {
  switch (err) {
    case UC_ERR_INSN_INVALID:
      return "Illegal instruction";
    case UC_ERR_READ_UNMAPPED:
    case UC_ERR_WRITE_UNMAPPED:
    case UC_ERR_FETCH_UNMAPPED:
    case UC_ERR_READ_PROT:
    case UC_ERR_WRITE_PROT:
    case UC_ERR_FETCH_PROT:
    case UC_ERR_READ_UNALIGNED:
    case UC_ERR_WRITE_UNALIGNED:
    case UC_ERR_FETCH_UNALIGNED:
      return "Illegal memory address";
    default:
      return "Unknown runtime exception";
  }
}

uint32_t ucPermissions(uint8_t access) {
  return (access & kRead ? UC_PROT_READ : 0) | (access & kWrite ? UC_PROT_WRITE : 0) |
         (access & kExecute ? UC_PROT_EXEC : 0);
}

void check(uc_engine* uc, uc_err err) {
  if (err == UC_ERR_OK) return;
  unicorn().uc_close(uc);
  throw std::runtime_error(unicorn().uc_strerror(err));
}

void addHooks(uc_engine* uc, RunState* s) {
  uc_hook h;
  auto add = [&](int type, void* fn, auto... extra) {
    check(uc, unicorn().uc_hook_add(uc, &h, type, fn, s, 1, 0, extra...));
  };
  add(UC_HOOK_INTR, reinterpret_cast<void*>(&onInterrupt));
  add(UC_HOOK_EDGE_GENERATED, reinterpret_cast<void*>(&onNewBlock));
  add(UC_HOOK_MEM_UNMAPPED | UC_HOOK_MEM_READ_PROT | UC_HOOK_MEM_WRITE_PROT, reinterpret_cast<void*>(&onBadAccess));
  add(UC_HOOK_INSN_INVALID, reinterpret_cast<void*>(&onInvalid));
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onIn), UC_X86_INS_IN);
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onOut), UC_X86_INS_OUT);
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onSystemCall), UC_X86_INS_SYSENTER);
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onSystemCall), UC_X86_INS_SYSCALL);
}

class EmulatedEngine final : public CpuEngine {
 public:
  EmulatedEngine() {
    uc_engine* uc = nullptr;
    uc_err err = unicorn().uc_open(UC_ARCH_X86, UC_MODE_32, &uc);
    if (err != UC_ERR_OK) throw std::runtime_error(unicorn().uc_strerror(err));
    // Must come before anything else touches the engine.
    check(uc, unicorn().uc_ctl(uc, UC_CTL_WRITE(UC_CTL_TCG_BUFFER_SIZE, 1), translationLimits().bufferBytes));
    for (const Area& a : areas())
      if (a.size && a.access != kNoAccess)
        check(uc, unicorn().uc_mem_map_ptr(uc, a.base, a.size, ucPermissions(a.access), ptr(a.base)));
    addHooks(uc, &state_);
    uint32_t fpcw = kGuestFpcw, mxcsr = kGuestMxcsr;
    unicorn().uc_reg_write(uc, UC_X86_REG_FPCW, &fpcw);
    unicorn().uc_reg_write(uc, UC_X86_REG_MXCSR, &mxcsr);
    uc_ = uc;
  }
  ~EmulatedEngine() override { unicorn().uc_close(uc_); }

  void call(uint32_t entry) override {
    uc_engine* uc = uc_;
    RunState& s = state_;
    s = RunState{};
    uint32_t userEsp = kStackTop - 16;
    store32(userEsp, kSentinel);
    uint32_t zero = 0;
    for (int r : {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_ESI,
                  UC_X86_REG_EDI, UC_X86_REG_EBP})
      unicorn().uc_reg_write(uc, r, &zero);
    uint32_t start = prepareUserMode(uc, entry, userEsp);

    uc_err err = UC_ERR_OK;
    bool ended = false;
    {
      RunningEngine running(uc);
      while (!(ended = running.ending())) {
        err = unicorn().uc_emu_start(uc, start, kSentinel, 0, 0);
        if (err != UC_ERR_OK || s.hasPending || s.fault || (ended = running.ending())) break;
        start = reg(uc, UC_X86_REG_EIP);
        // Any other stop leaves EIP unproven: the check below reports it.
        if (start == kSentinel || !s.stoppedToFlush) break;
        s.stoppedToFlush = false;
        // Outside emulation: nothing refers to the old blocks.
        unicorn().uc_ctl(uc, UC_CTL_WRITE(UC_CTL_TB_FLUSH, 0));
        s.budget.flushed(true);
      }
    }

    if (s.hasPending) throw s.pending;
    if (s.fault) raiseRuntimeError(s.fault);
    if (err != UC_ERR_OK) raiseRuntimeError(errorMessage(err));
    if (ended) endQuietly();
    if (reg(uc, UC_X86_REG_EIP) != kSentinel) raiseRuntimeError("Unknown runtime exception");
  }

 private:
  uc_engine* uc_ = nullptr;
  RunState state_;
};

std::string prepare() {
  if (!unicornReady()) return optionalLibrary(OptionalPart::EmulatedCpu).soname() + " could not be loaded";
  reserve();
  *ptr<uint8_t>(kSentinel) = 0xF4;
  return {};
}

void writeStub(uint32_t at, uint32_t, bool floatResult) {
  uint8_t* p = ptr<uint8_t>(at);
  p[0] = 0xCD;  // int 0x80
  p[1] = 0x80;
  if (floatResult) {
    p[2] = 0xD9;  // fld dword [kFloatSlot]
    p[3] = 0x05;
    uint32_t slot = kFloatSlot;
    std::memcpy(p + 4, &slot, 4);
    p[8] = 0xC3;  // ret
  } else {
    p[2] = 0xC3;
  }
}

std::unique_ptr<CpuEngine> open() { return std::make_unique<EmulatedEngine>(); }

}  // namespace

static_assert(UC_API_MAJOR == 2, "Unicorn 2 is libunicorn.so.2");

const UnicornFunctions* unicornTable() {
  static const UnicornFunctions* functions = loadOptionalTable<UnicornFunctions>(
      OptionalPart::EmulatedCpu, [](OptionalLibrary& library, UnicornFunctions& table) {
        bool ok = true;
        KORVA_UNICORN_FUNCTIONS(KORVA_BIND_OPTIONAL_FUNCTION)
        return ok;
      });
  return functions;
}

bool unicornReady() { return unicornTable() != nullptr; }

const UnicornFunctions& unicorn() { return *unicornTable(); }

const CpuBackend& emulatedBackend() {
  static const CpuBackend backend{"emulated", &prepare, &writeStub, &open, &stopRunningEngines};
  return backend;
}

}  // namespace korva::guest
