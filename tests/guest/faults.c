/* One processor fault per build (FAULT_<kind>). */
#include "korva_guest.h"

#pragma GCC diagnostic ignored "-Winfinite-recursion"

volatile int zero = 0, minusOne = -1, intMin = -2147483647 - 1, sink;

void recurse(int n) {
  volatile char frame[256];
  frame[0] = (char)n;
  recurse(n + frame[0]);
  sink = frame[1];
}

void __MAIN(void) {
#if defined(FAULT_div0)
  sink = 5 / zero;
#elif defined(FAULT_overflow)
  sink = intMin / minusOne;
#elif defined(FAULT_illegal)
  __asm__ volatile("ud2");
#elif defined(FAULT_nullptr)
  volatile int* volatile bad = (volatile int*)8;
  sink = *bad;
#elif defined(FAULT_recursion)
  recurse(1);
#elif defined(FAULT_bigframe)
  /* A frame larger than the whole stack: the write lands beyond its guard page. */
  __asm__ volatile("movl %%esp, %%eax\n\tsubl $0x110000, %%esp\n\tmovl $0, (%%esp)\n\tmovl %%eax, %%esp" ::: "eax", "memory");
#endif
}
