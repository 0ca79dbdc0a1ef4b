/* Workloads for the call and CPU benchmarks. */
#include "korva_guest.h"

int _ftestnop(int v);
int _fspinparam(int which); /* 0 calls, 1 loops, 2 recursion depth */
void _fspinresult(int v, float f);

static int fib(int n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }

void __MAIN(void) {
  int calls = _fspinparam(0), loops = _fspinparam(1), depth = _fspinparam(2);
  int acc = 0;
  for (int i = 0; i < calls; ++i) acc += _ftestnop(i);
  unsigned h = 2166136261u;
  for (int i = 0; i < loops; ++i) h = (h ^ (unsigned)i) * 16777619u;
  float x = 0.0f;
  for (int i = 0; i < loops / 16; ++i) x = x * 0.999f + (float)i * 0.5f;
  _fspinresult(acc + (int)h + (depth ? fib(depth) : 0), x);
}
