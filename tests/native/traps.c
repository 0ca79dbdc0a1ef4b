/* One trapping instruction, chosen by CpuParam(). */
#include "korva_native.h"

static int bounds[2] = {0, 1};

void __MAIN(void) {
  switch (_fcpuparam()) {
    case 1: __asm__ volatile("int3"); break;
    case 2: __asm__ volatile("int $0x21"); break;
    case 3: __asm__ volatile("int $0x0d"); break;
    case 4: __asm__ volatile("movl $0x7fffffff, %%eax\n\taddl $1, %%eax\n\tinto" ::: "eax", "cc"); break;
    case 5: __asm__ volatile("movl $5, %%eax\n\tboundl %%eax, %0" ::"m"(bounds) : "eax"); break;
    case 6: __asm__ volatile("aam $0" ::: "eax", "cc"); break;
    case 7: __asm__ volatile("ud2"); break;
  }
  _fcpurecord(0);
}
