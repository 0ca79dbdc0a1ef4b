/* Guest code that leaves 32-bit mode: a far return to the 64-bit code selector, then what
   CpuParam() chooses, as 64-bit code. 1 ud2, 2 a write to 0x1000, 3 int3, 4 hlt, 5 a 64-bit
   system call writing "escaped" to standard output, 6 "int 0x80" writing it, 7 straight
   back to 32-bit code, 8 a loop without end. What returns to 32-bit code records the mode. */
#include "korva_native.h"

static const char escaped[] = "escaped\n";

/* Pushes the 64-bit code selector and the address of label 2 (found without a relocation),
   and far-returns there. */
#define TO_64_BIT                  \
  "call 1f\n"                      \
  "1: popl %%eax\n"                \
  "addl $(2f - 1b), %%eax\n"       \
  "pushl $0x33\n"                  \
  "pushl %%eax\n"                  \
  "lret\n"                         \
  ".code64\n"                      \
  "2:\n"

/* Back from 64-bit code: the 32-bit selector and label 3, through the stack again. */
#define TO_32_BIT                  \
  "lea 3f(%%rip), %%rax\n"         \
  "pushq $0x23\n"                  \
  "pushq %%rax\n"                  \
  "lretq\n"                        \
  ".code32\n"                      \
  "3:\n"

void __MAIN(void) {
  int mode = _fcpuparam();
  switch (mode) {
    case 1: __asm__ volatile(TO_64_BIT "ud2\n" TO_32_BIT ::: "eax", "memory"); break;
    case 2: __asm__ volatile(TO_64_BIT "movl $1, 0x1000\n" TO_32_BIT ::: "eax", "memory"); break;
    case 3: __asm__ volatile(TO_64_BIT "int3\n" TO_32_BIT ::: "eax", "memory"); break;
    case 4: __asm__ volatile(TO_64_BIT "hlt\n" TO_32_BIT ::: "eax", "memory"); break;
    case 5:
      __asm__ volatile(TO_64_BIT "movl $1, %%eax\n" "movl $1, %%edi\n" "movl %%ebx, %%esi\n" "movl $8, %%edx\n"
                       "syscall\n" TO_32_BIT
                       :: "b"(escaped) : "eax", "ecx", "edx", "esi", "edi", "memory");
      break;
    case 6:
      __asm__ volatile(TO_64_BIT "movl $4, %%eax\n" "movl $1, %%ebx\n" "movl %%esi, %%ecx\n" "movl $8, %%edx\n"
                       "int $0x80\n" TO_32_BIT
                       :: "S"(escaped) : "eax", "ebx", "ecx", "edx", "memory");
      break;
    case 7: __asm__ volatile(TO_64_BIT TO_32_BIT ::: "eax", "memory"); break;
    case 8: __asm__ volatile(TO_64_BIT "4: jmp 4b\n" TO_32_BIT ::: "eax", "memory"); break;
  }
  _fcpurecord(mode);
}
