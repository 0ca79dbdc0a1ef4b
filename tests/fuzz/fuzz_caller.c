/* Calls whatever the fuzz test asks for, with the argument words it gives, until it says
   stop. Every routine takes its words from the stack and leaves the rest alone. */
#include "korva_fuzz.h"

typedef unsigned W;
typedef W (*IntRoutine)(W, W, W, W, W, W, W, W, W, W, W, W);
typedef float (*FloatRoutine)(W, W, W, W, W, W, W, W, W, W, W, W);

static W call[14];
volatile float floatResult;

void __MAIN(void) {
  while (_ffuzznext(call)) {
    W* a = call + 2;
    if (call[1])
      floatResult = ((FloatRoutine)call[0])(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]);
    else
      _ffuzzresult(((IntRoutine)call[0])(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]));
  }
}
