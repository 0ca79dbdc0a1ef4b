/* Workloads for the call and CPU benchmarks: _fspinparam(0) picks the kernel, (1) its size. */
#include "korva_guest.h"
#include "kernels.h"

int _ftestnop(int v);
int _fspinparam(int which);
void _fspinresult(int v, float f);

void __MAIN(void) {
  int kernel = _fspinparam(0), n = _fspinparam(1);
  int acc = 0;
  float f = 0.0f;
  switch (kernel) {
    case 0:
      for (int i = 0; i < n; ++i) acc += _ftestnop(i);
      break;
    case 1:
      acc = (int)kernelIntLoop(n);
      break;
    case 2:
      acc = kernelFib(n);
      break;
    case 3:
      f = kernelFloatLoop(n);
      break;
  }
  _fspinresult(acc, f);
}
