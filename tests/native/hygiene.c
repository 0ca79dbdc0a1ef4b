/* Guest code that leaves the processor in states the run-time must not inherit, then calls
   it. CpuParam() chooses: 1 AC set, 2 DF set, 3 FS loaded with the data selector, 4 FS
   loaded with the null selector, 5 a full x87 stack, 6 its own control word and MXCSR. */
#include "korva_native.h"

static void abuse(int mode) {
  switch (mode) {
    case 1: __asm__ volatile("pushfl\n\torl $0x40000, (%esp)\n\tpopfl"); break;
    case 2: __asm__ volatile("std"); break;
    case 3: __asm__ volatile("movl %%ds, %%eax\n\tmovl %%eax, %%fs" ::: "eax"); break;
    case 4: __asm__ volatile("xorl %%eax, %%eax\n\tmovl %%eax, %%fs" ::: "eax"); break;
    case 5: __asm__ volatile("fld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1"); break;
    case 6: {
      unsigned short cw = 0x0C7F; /* round toward zero, 24-bit, masked */
      unsigned mxcsr = 0x0000;    /* every SSE exception unmasked */
      __asm__ volatile("fldcw %0\n\tldmxcsr %1" ::"m"(cw), "m"(mxcsr));
      break;
    }
  }
}

void __MAIN(void) {
  int mode = _fcpuparam();
  unsigned esi = 0x51515151, edi = 0xD1D1D1D1, esiAfter, ediAfter;
  int seen;
  abuse(mode);
  /* esi and edi are the guest's across the call, whatever the run-time does with them. */
  __asm__ volatile("call _fcpucheckhost"
                   : "=a"(seen), "=S"(esiAfter), "=D"(ediAfter)
                   : "S"(esi), "D"(edi)
                   : "ecx", "edx", "memory", "cc");
  /* Whatever a backend did with the full stack, the guest starts over from here. */
  if (mode == 5) __asm__ volatile("emms");
  _fcpurecord(seen);
  _fcpurecord(esiAfter == esi && ediAfter == edi);
  _fcpurecordfloat(_fcpuhalf(3.0f));
  {
    unsigned short cw;
    unsigned mxcsr;
    __asm__ volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(cw), "=m"(mxcsr));
    _fcpurecord(cw);
    _fcpurecord((int)mxcsr);
  }
  __asm__ volatile("cld");
}
