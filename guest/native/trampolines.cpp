#if defined(__x86_64__) && defined(__linux__)
// The trampolines as one position-independent template, copied to a page below 4 GiB and
// patched there: absolute addresses of its own labels (far jump targets), the GateState and
// the dispatcher. The 32-bit pieces are written with .code32.
#include <sys/mman.h>

#include <cstring>

#include "guest/native/gate.h"

// GateState offsets: see gate.h.
asm(R"(
  .pushsection .rodata.korva_native,"a",@progbits
  .p2align 6
korva_native_begin:

  .code64
# uint64_t enter(uint32_t entry /* edi */, uint32_t guestEsp /* esi */)
.Lenter:
  push %rbp
  push %rbx
  push %r12
  push %r13
  push %r14
  push %r15
  movabs $0, %r12
.Lenter_state:
  push 0(%r12)                 # an outer run's stack, should runs nest
  mov %rsp, 0(%r12)            # 16-byte aligned here
  fnstcw 20(%r12)
  stmxcsr 16(%r12)
  mov $0x2b, %eax              # the user data selector: a 64-bit process starts with 0
  mov %eax, %ds
  mov %eax, %es
  fninit
  fldcw 22(%r12)
  ldmxcsr 24(%r12)
  mov %esi, %esi
  lea .Lexit32(%rip), %rax
  mov %eax, (%rsi)             # the entry returns onto the exit
  mov %edi, -4(%rsi)           # popped by the 32-bit landing's ret
  lea -4(%rsi), %rsp
  xor %eax, %eax
  xor %ebx, %ebx
  xor %ecx, %ecx
  xor %edx, %edx
  xor %esi, %esi
  xor %edi, %edi
  xor %ebp, %ebp
.Lenter_tail:
  mov 32(%r12), %r8
  cmpl $0, (%r8)
  jne .Lended
  ljmpl *.Lenter_far(%rip)
.Lenter_tail_end:

  .code32
.Lenter32:
  ret
.Lexit32:
  .byte 0xEA                   # jmp far 0x33:.Lexit64
.Lexit32_target:
  .long 0
  .word 0x33
.Lgate_ret32:
  ret
.Lprobe32:
  call .Lprobe_stub
  inc %eax                     # a REX prefix, were this 64-bit code
  ret
.Lprobe_stub:
  mov $0xFFFFFFFF, %ecx
  .byte 0xEA
.Lprobe_stub_target:
  .long 0
  .word 0x33

  .code64
.Lexit64:
  mov %eax, %edx
  xor %eax, %eax
  jmp .Lleave
.Lended:
  mov $3, %eax
  xor %edx, %edx
# eax: status, edx: value; any stack, any flags, any FS
.Lleave:
  movabs $0, %r12
.Lleave_state:
  mov 0(%r12), %rsp
  mov %eax, %r13d
  mov %edx, %r14d
  cld
  pushfq
  andl $~0x40500, (%rsp)       # AC, DF, TF
  popfq
  call .Lrepair_fs
  fninit
  fldcw 20(%r12)
  ldmxcsr 16(%r12)
  mov %r13, %rax
  shl $32, %rax
  or %r14, %rax
  pop 0(%r12)
  pop %r15
  pop %r14
  pop %r13
  pop %r12
  pop %rbx
  pop %rbp
  ret

# Sets FS back to the run-time's thread when guest code loaded a selector into it (which
# replaces the base) or, where rdfsbase tells, when the base differs.
# r12: state; clobbers rax, rcx, rdx, rsi, rdi, r11.
.Lrepair_fs:
  mov %fs, %eax
  test %eax, %eax
  jnz 1f
  cmpl $0, 40(%r12)
  je 2f
  rdfsbase %rax
  cmp 8(%r12), %rax
  je 2f
1:
  mov 8(%r12), %rsi
  movabs $0, %rax
.Lrepair_fs_call:
  call *%rax                   # korva_native_set_fs: no system call is made from below 4 GiB
2:
  ret

# From a stub: ecx = routine index, esp = guest stack with the return address on top.
.Lgate:
  movabs $0, %r12
.Lgate_state:
  mov %esp, %r13d
  mov 0(%r12), %rsp
  mov %ecx, %r14d
  push %rsi                    # callee-saved for the guest, not for the run-time
  push %rdi
  sub $16, %rsp                # 0: guest control word, 4: guest MXCSR
  pushfq
  testl $0x40500, (%rsp)
  jnz .Lgate_flags
  add $8, %rsp
.Lgate_flags_done:
  mov %fs, %eax
  test %eax, %eax
  jnz .Lgate_fs
  cmpl $0, 40(%r12)
  je .Lgate_fs_done
  rdfsbase %rax
  cmp 8(%r12), %rax
  jne .Lgate_fs
.Lgate_fs_done:
  fnstcw (%rsp)
  stmxcsr 4(%rsp)
  emms                         # x87 registers do not live across a call: all empty
  fldcw 20(%r12)
  mov 4(%rsp), %eax
  cmp 16(%r12), %eax
  jne .Lgate_mxcsr
.Lgate_mxcsr_done:
  mov %r14d, %edi
  mov %r13d, %esi
  movabs $0, %rax
.Lgate_dispatch:
  call *%rax
  mov %rax, %rdx
  shr $32, %rdx
  cmp $2, %edx
  je .Lgate_abandon
  fldcw (%rsp)
  mov 4(%rsp), %ecx
  cmp 16(%r12), %ecx
  jne .Lgate_mxcsr_back
.Lgate_mxcsr_back_done:
  test %edx, %edx
  jz 1f
  flds 28(%r12)
1:
  mov 16(%rsp), %rdi
  mov 24(%rsp), %rsi
.Lgate_tail:
  mov 32(%r12), %rcx
  cmpl $0, (%rcx)
  jne .Lended
  mov %r13d, %esp
  ljmpl *.Lgate_far(%rip)
.Lgate_tail_end:

.Lgate_flags:
  andl $~0x40500, (%rsp)
  popfq
  jmp .Lgate_flags_done
.Lgate_fs:
  call .Lrepair_fs
  jmp .Lgate_fs_done
.Lgate_mxcsr:
  ldmxcsr 16(%r12)
  jmp .Lgate_mxcsr_done
.Lgate_mxcsr_back:
  ldmxcsr 4(%rsp)
  jmp .Lgate_mxcsr_back_done
.Lgate_abandon:
  mov $1, %eax
  xor %edx, %edx
  jmp .Lleave

  .p2align 3
.Lenter_far:
  .long 0
  .word 0x23
  .p2align 3
.Lgate_far:
  .long 0
  .word 0x23
  .p2align 3
korva_native_end:

# Offsets of the entry points, then the patches: (offset, kind, target offset).
# Kinds: 1 GateState address (imm64), 2 dispatcher address (imm64), 3 absolute address of
# a label (imm32), 4 far pointer to a label in guest code (imm32 + selector), 5 address of
# korva_native_set_fs (imm64).
  .p2align 2
korva_native_layout:
  .long korva_native_end - korva_native_begin
  .long .Lenter - korva_native_begin
  .long .Lgate - korva_native_begin
  .long .Lleave - korva_native_begin
  .long .Lprobe32 - korva_native_begin
  .long .Lenter_tail - korva_native_begin
  .long .Lenter_tail_end - korva_native_begin
  .long .Lgate_tail - korva_native_begin
  .long .Lgate_tail_end - korva_native_begin
  .long 9
  .long .Lenter_state - 8 - korva_native_begin, 1, 0
  .long .Lrepair_fs_call - 8 - korva_native_begin, 5, 0
  .long .Lgate_state - 8 - korva_native_begin, 1, 0
  .long .Lleave_state - 8 - korva_native_begin, 1, 0
  .long .Lgate_dispatch - 8 - korva_native_begin, 2, 0
  .long .Lexit32_target - korva_native_begin, 3, .Lexit64 - korva_native_begin
  .long .Lprobe_stub_target - korva_native_begin, 3, .Lgate - korva_native_begin
  .long .Lenter_far - korva_native_begin, 4, .Lenter32 - korva_native_begin
  .long .Lgate_far - korva_native_begin, 4, .Lgate_ret32 - korva_native_begin
  .popsection

# arch_prctl(ARCH_SET_FS, rsi), made from the run-time's own code: the system call trap
# refuses every call whose instruction lies below 4 GiB, the trampolines' page included.
  .text
  .globl korva_native_set_fs
  .hidden korva_native_set_fs
  .type korva_native_set_fs, @function
korva_native_set_fs:
  mov $0x1002, %edi
  mov $158, %eax
  syscall
  ret
  .size korva_native_set_fs, . - korva_native_set_fs
)");

extern "C" const uint8_t korva_native_begin[];
extern "C" void korva_native_set_fs();
extern "C" const uint32_t korva_native_layout[];

namespace korva::guest::native {
namespace {

struct Layout {
  uint32_t size, enter, gate, leave, probe32, enterTail, enterTailEnd, gateTail, gateTailEnd, patchCount;
};
struct Patch {
  uint32_t offset, kind, target;
};
static_assert(sizeof(Layout) == 40 && sizeof(Patch) == 12);

const Layout& layout() { return *reinterpret_cast<const Layout*>(korva_native_layout); }
const Patch* patches() { return reinterpret_cast<const Patch*>(korva_native_layout + sizeof(Layout) / 4); }

}  // namespace

uint32_t trampolineBytes() { return layout().size; }

bool Trampolines::inTail(uint64_t rip) const {
  return (rip >= enterTail && rip < enterTailEnd) || (rip >= gateTail && rip < gateTailEnd);
}

Trampolines installTrampolines(uintptr_t page, GateState* state, Dispatch dispatch, uint16_t guestCode) {
  const Layout& l = layout();
  auto* code = reinterpret_cast<uint8_t*>(page);
  std::memcpy(code, korva_native_begin, l.size);
  for (uint32_t i = 0; i < l.patchCount; ++i) {
    const Patch& p = patches()[i];
    uint8_t* at = code + p.offset;
    uint64_t wide = 0;
    uint32_t narrow = static_cast<uint32_t>(page + p.target);
    switch (p.kind) {
      case 1:
        wide = reinterpret_cast<uint64_t>(state);
        std::memcpy(at, &wide, 8);
        break;
      case 2:
        wide = reinterpret_cast<uint64_t>(dispatch);
        std::memcpy(at, &wide, 8);
        break;
      case 3:
        std::memcpy(at, &narrow, 4);
        break;
      case 4:
        std::memcpy(at, &narrow, 4);
        std::memcpy(at + 4, &guestCode, 2);
        break;
      case 5:
        wide = reinterpret_cast<uint64_t>(&korva_native_set_fs);
        std::memcpy(at, &wide, 8);
        break;
    }
  }
  Trampolines t;
  if (mprotect(code, l.size, PROT_READ | PROT_EXEC) != 0) return t;
  t.base = page;
  t.size = l.size;
  t.enter = reinterpret_cast<uint64_t (*)(uint32_t, uint32_t)>(page + l.enter);
  t.gate = static_cast<uint32_t>(page + l.gate);
  t.leave = page + l.leave;
  t.probeRoutine = static_cast<uint32_t>(page + l.probe32);
  t.enterTail = page + l.enterTail;
  t.enterTailEnd = page + l.enterTailEnd;
  t.gateTail = page + l.gateTail;
  t.gateTailEnd = page + l.gateTailEnd;
  return t;
}

}  // namespace korva::guest::native
#endif
