#include "guest/cpu.h"

#include <unicorn/unicorn.h>

#include <cstdio>
#include <new>
#include <stdexcept>

#include "guest/fault.h"
#include "guest/memory.h"
#include "guest/trap.h"
#include "host/errors.h"

namespace korva::guest {
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

void stopWith(uc_engine* uc, const vxEx& e) {
  RunState& s = state();
  s.hasPending = true;
  s.pending = e;
  uc_emu_stop(uc);
}

// Runs a registered routine. Nothing thrown by it may unwind through the emulator.
void callRoutine(uc_engine* uc, const TrapEntry& t) {
  uint32_t esp = reg(uc, UC_X86_REG_ESP);
  if (!inGuest(esp, 4u * (t.argCount + 1))) {
    state().fault = "Illegal memory address";
    uc_emu_stop(uc);
    return;
  }
  CallFrame frame{ptr<const uint32_t>(esp + 4), 0, 0.0f};
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
    stopWith(uc, e);
    return;
  }
  if (t.floatResult)
    *floatResultSlot() = frame.fresult;
  else
    uc_reg_write(uc, UC_X86_REG_EAX, &frame.result);
}

void onInterrupt(uc_engine* uc, uint32_t intno, void*) {
  if (intno == 0x80) {
    const TrapEntry* t = trapAt(reg(uc, UC_X86_REG_EIP));
    if (t) {
      callRoutine(uc, *t);
      return;
    }
  }
  state().fault = faultMessage(uc, intno);
  uc_emu_stop(uc);
}

bool onUnmapped(uc_engine* uc, uc_mem_type, uint64_t address, int, int64_t, void*) {
  uint32_t esp = reg(uc, UC_X86_REG_ESP);
  bool stack = address < kStackBase && esp < kStackBase + kPageSize;
  state().fault = stack ? "Stack overflow!" : "Illegal memory address";
  return false;
}

bool onInvalid(uc_engine*, void*) {
  state().fault = "Illegal instruction";
  return false;
}

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

}  // namespace

GuestCpu::GuestCpu() {
  reserve();
  returnSentinel();  // the trap page exists before the engine maps it
  uc_err err = uc_open(UC_ARCH_X86, UC_MODE_32, &uc_);
  if (err != UC_ERR_OK) throw std::runtime_error(uc_strerror(err));
  err = uc_mem_map_ptr(uc_, kStackBase, kRegionEnd - kStackBase, UC_PROT_ALL, ptr(kStackBase));
  if (err != UC_ERR_OK) {
    uc_close(uc_);
    throw std::runtime_error(uc_strerror(err));
  }
  uc_hook h;
  uc_hook_add(uc_, &h, UC_HOOK_INTR, reinterpret_cast<void*>(&onInterrupt), nullptr, 1, 0);
  uc_hook_add(uc_, &h, UC_HOOK_MEM_UNMAPPED, reinterpret_cast<void*>(&onUnmapped), nullptr, 1, 0);
  uc_hook_add(uc_, &h, UC_HOOK_INSN_INVALID, reinterpret_cast<void*>(&onInvalid), nullptr, 1, 0);
  uint32_t fpcw = kGuestFpcw;
  uc_reg_write(uc_, UC_X86_REG_FPCW, &fpcw);
}

GuestCpu::~GuestCpu() {
  if (t_current == this) t_current = nullptr;
  uc_close(uc_);
}

GuestCpu* GuestCpu::current() { return t_current; }

void GuestCpu::call(uint32_t entry) {
  RunState& s = state();
  s = RunState{};
  uint32_t sentinel = returnSentinel();
  uint32_t esp = kStackTop - 16;
  *ptr<uint32_t>(esp) = sentinel;
  uint32_t zero = 0;
  for (int r : {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_ESI,
                UC_X86_REG_EDI, UC_X86_REG_EBP})
    uc_reg_write(uc_, r, &zero);
  uc_reg_write(uc_, UC_X86_REG_ESP, &esp);

  GuestCpu* outer = t_current;
  t_current = this;
  uc_err err = uc_emu_start(uc_, entry, sentinel, 0, 0);
  t_current = outer;

  if (s.hasPending) throw s.pending;
  if (s.fault) raiseRuntimeError(s.fault);
  if (err != UC_ERR_OK) raiseRuntimeError(errorMessage(err));
  if (reg(uc_, UC_X86_REG_EIP) != sentinel) raiseRuntimeError("Unknown runtime exception");
}

}  // namespace korva::guest
