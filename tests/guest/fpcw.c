/* Reports the x87 control word the program starts with, and whether x87 arithmetic rounds
   to single precision (1 + 2^-30 is 1 in 24-bit precision, not in 64-bit). */
#include "korva_guest.h"

void _ftestrecord(int v);

volatile float one = 1.0f, tiny = 9.31322574615478515625e-10f; /* 2^-30 */

void __MAIN(void) {
  unsigned short cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  _ftestrecord(cw);
  long double sum;
  __asm__ volatile("flds %1\n\tfadds %2\n\tfstpt %0" : "=m"(sum) : "m"(one), "m"(tiny));
  _ftestrecord(sum == 1.0L);
}
