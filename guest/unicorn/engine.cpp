// The emulated backend: guest code on a Unicorn engine, in user mode, over guest memory
// mapped with the permissions of memory.h.
//
// Engine facts this file relies on: a fault hook must stop the engine, and an engine that
// faulted is not reused; UC_ERR_OK from uc_emu_start proves nothing until EIP is the return
// sentinel; the x87 control word reads 0 until written.
#include <unicorn/unicorn.h>

#include <new>
#include <stdexcept>

#include "guest/cpu.h"
#include "guest/fault.h"
#include "guest/memory.h"
#include "guest/trap.h"
#include "guest/unicorn/ring3.h"
#include "guest/unicorn/slices.h"
#include "host/errors.h"

namespace korva::guest {

struct GuestCpu::Engine {
  uc_engine* uc = nullptr;
};

namespace {

thread_local GuestCpu* t_current = nullptr;

// Guest x87 control word: all exceptions masked, 24-bit precision, round to nearest.
constexpr uint16_t kGuestFpcw = 0x007F;

struct RunState {
  bool hasPending = false;  // a routine ended the program with this vxEx
  vxEx pending{nullptr};
  const char* fault = nullptr;  // a fault seen by a hook
};

RunState& state() {
  thread_local RunState s;
  return s;
}

uint32_t reg(uc_engine* uc, int r) {
  uint32_t v = 0;
  uc_reg_read(uc, r, &v);
  return v;
}

constexpr int kModRmRegs[8] = {UC_X86_REG_EAX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_EBX,
                               UC_X86_REG_ESP, UC_X86_REG_EBP, UC_X86_REG_ESI, UC_X86_REG_EDI};
uint32_t readModRmReg(void* ctx, int i) { return reg(static_cast<uc_engine*>(ctx), kModRmRegs[i]); }

void stopWith(uc_engine* uc, const char* fault) {
  if (!state().fault) state().fault = fault;
  uc_emu_stop(uc);
}

void stopWith(uc_engine* uc, const vxEx& e) {
  RunState& s = state();
  s.hasPending = true;
  s.pending = e;
  uc_emu_stop(uc);
}

// Runs a registered routine. Nothing thrown by it may unwind through the emulator.
void callRoutine(uc_engine* uc, const TrapEntry& t) {
  uint32_t esp = reg(uc, UC_X86_REG_ESP);
  if (!inGuest(esp, 4u * (t.argCount + 1))) return stopWith(uc, "Illegal memory address");
  CallFrame frame{ptr<const Word>(esp + 4), 0, 0.0f};
  try {
    try {
      t.handler(frame);
    } catch (const std::bad_alloc&) {
      raiseRuntimeError("Out of memory");
    } catch (const vxEx&) {
      throw;
    } catch (...) {
      raiseRuntimeError("Unknown runtime exception");
    }
  } catch (const vxEx& e) {
    return stopWith(uc, e);
  }
  if (t.floatResult)
    *floatResultSlot() = frame.fresult;
  else
    uc_reg_write(uc, UC_X86_REG_EAX, &frame.result);
}

void onInterrupt(uc_engine* uc, uint32_t intno, void*) {
  if (intno == 0x80) {
    if (const TrapEntry* t = trapAt(reg(uc, UC_X86_REG_EIP))) return callRoutine(uc, *t);
  }
  stopWith(uc, exceptionMessage(intno, reg(uc, UC_X86_REG_EIP), &readModRmReg, uc));
}

// An access to unmapped memory, or a read or write that the memory's permissions refuse.
// The trap area lies below the stack guard: a frame that jumps the guard lands there.
bool onBadAccess(uc_engine* uc, uc_mem_type, uint64_t address, int, int64_t, void*) {
  uint32_t esp = reg(uc, UC_X86_REG_ESP);
  bool stack = address < kStackBase && esp < kStackBase + kPageSize;
  state().fault = stack ? "Stack overflow!" : "Illegal memory address";
  return false;
}

bool onInvalid(uc_engine*, void*) {
  state().fault = "Illegal instruction";
  return false;
}

// Port I/O and system calls: the engine would carry them out silently in user mode.
uint32_t onIn(uc_engine* uc, uint32_t, int, void*) {
  stopWith(uc, kPrivilegedMessage);
  return 0;
}
void onOut(uc_engine* uc, uint32_t, int, uint32_t, void*) { stopWith(uc, kPrivilegedMessage); }
void onSystemCall(uc_engine* uc, void*) { stopWith(uc, kPrivilegedMessage); }

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
  uc_close(uc);
  throw std::runtime_error(uc_strerror(err));
}

void addHooks(uc_engine* uc) {
  uc_hook h;
  auto add = [&](int type, void* fn, auto... extra) {
    check(uc, uc_hook_add(uc, &h, type, fn, nullptr, 1, 0, extra...));
  };
  add(UC_HOOK_INTR, reinterpret_cast<void*>(&onInterrupt));
  add(UC_HOOK_MEM_UNMAPPED | UC_HOOK_MEM_READ_PROT | UC_HOOK_MEM_WRITE_PROT, reinterpret_cast<void*>(&onBadAccess));
  add(UC_HOOK_INSN_INVALID, reinterpret_cast<void*>(&onInvalid));
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onIn), UC_X86_INS_IN);
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onOut), UC_X86_INS_OUT);
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onSystemCall), UC_X86_INS_SYSENTER);
  add(UC_HOOK_INSN, reinterpret_cast<void*>(&onSystemCall), UC_X86_INS_SYSCALL);
}

}  // namespace

GuestCpu::GuestCpu() : engine_(new Engine) {
  reserve();
  returnSentinel();  // the trap area holds its stubs before the engine maps it
  uc_engine* uc = nullptr;
  uc_err err = uc_open(UC_ARCH_X86, UC_MODE_32, &uc);
  if (err != UC_ERR_OK) {
    delete engine_;
    throw std::runtime_error(uc_strerror(err));
  }
  try {
    // Must come before anything else touches the engine.
    check(uc, uc_ctl_set_tcg_buffer_size(uc, translationLimits().bufferBytes));
    for (const Area& a : areas())
      if (a.size && a.access != kNoAccess)
        check(uc, uc_mem_map_ptr(uc, a.base, a.size, ucPermissions(a.access), ptr(a.base)));
    addHooks(uc);
  } catch (...) {
    delete engine_;
    throw;
  }
  uint32_t fpcw = kGuestFpcw;
  uc_reg_write(uc, UC_X86_REG_FPCW, &fpcw);
  engine_->uc = uc;
}

GuestCpu::~GuestCpu() {
  if (t_current == this) t_current = nullptr;
  uc_close(engine_->uc);
  delete engine_;
}

GuestCpu* GuestCpu::current() { return t_current; }

void GuestCpu::call(uint32_t entry) {
  uc_engine* uc = engine_->uc;
  RunState& s = state();
  s = RunState{};
  uint32_t sentinel = returnSentinel();
  uint32_t userEsp = kStackTop - 16;
  store32(userEsp, sentinel);
  uint32_t zero = 0;
  for (int r : {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_ESI,
                UC_X86_REG_EDI, UC_X86_REG_EBP})
    uc_reg_write(uc, r, &zero);
  uint32_t start = prepareUserMode(uc, entry, userEsp);

  GuestCpu* outer = t_current;
  t_current = this;
  uc_err err;
  {
    Slice slice(uc);
    for (;;) {
      err = uc_emu_start(uc, start, sentinel, 0, 0);
      if (err != UC_ERR_OK || s.hasPending || s.fault) break;
      start = reg(uc, UC_X86_REG_EIP);
      if (start == sentinel || !slice.expired()) break;
      uc_ctl_flush_tb(uc);  // outside emulation: nothing refers to the old blocks
      slice.restart();
    }
  }
  t_current = outer;

  if (s.hasPending) throw s.pending;
  if (s.fault) raiseRuntimeError(s.fault);
  if (err != UC_ERR_OK) raiseRuntimeError(errorMessage(err));
  if (reg(uc, UC_X86_REG_EIP) != sentinel) raiseRuntimeError("Unknown runtime exception");
}

}  // namespace korva::guest
