/* The bundled demo program: a compiled module that runs a little arithmetic in guest code
   and ends normally. */
#include "korva_guest.h"

static int fib(int n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }

volatile int result;

void __MAIN(void) {
  result = fib(20);
  if (result != 6765) _fend();
}
