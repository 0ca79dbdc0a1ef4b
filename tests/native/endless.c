/* Never ends by itself: CpuParam() 0 loops without calling the run-time, 1 calls a routine
   that never polls, over and over. */
#include "korva_native.h"

void __MAIN(void) {
  if (_fcpuparam() == 0)
    for (;;) __asm__ volatile("");
  for (;;) _fcpuparam();
}
