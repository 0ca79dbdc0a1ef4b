/* Guest code that reaches outside guest memory. CpuParam() chooses: 1 "int 0x80" exit(0),
   2 "int 0x80" write to standard output, 3 the "syscall" instruction, 4 a write to the
   address CpuParam() gives next, 5 a fault inside a routine. */
#include "korva_native.h"

void __MAIN(void) {
  int mode = _fcpuparam();
  switch (mode) {
    case 1:
      __asm__ volatile("movl $1, %%eax\n\txorl %%ebx, %%ebx\n\tint $0x80" ::: "eax", "ebx", "memory");
      break;
    case 2: {
      static const char text[] = "escaped\n";
      __asm__ volatile("movl $4, %%eax\n\tmovl $1, %%ebx\n\tint $0x80"
                       :: "c"(text), "d"(sizeof text - 1) : "eax", "ebx", "memory");
      break;
    }
    case 3:
      __asm__ volatile("movl $20, %%eax\n\tsyscall" ::: "eax", "ecx", "edx", "memory");
      break;
    case 4:
      *(volatile int*)_fcpuparam() = 1;
      break;
    case 5:
      _fcpucrash();
      break;
  }
  _fcpurecord(mode);
}
