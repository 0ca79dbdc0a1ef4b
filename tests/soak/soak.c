/* Long run of routine calls between integer and x87 work that is done twice and compared,
   so that a call skipped or made twice, or an instruction lost or repeated, shows. The
   run-time side knows the sequence of calls it must see and the sums they make. */
#include "korva_guest.h"

int _fsoakparam(int which);
int _fsoakstep(int v);
float _fsoakstepf(float x);
void _fsoakround(int round, int sum);
void _fsoakcompare(int kind, int a, int b);

static int fib(int n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }

__attribute__((noinline)) static unsigned intWork(unsigned seed) {
  unsigned h = seed;
  for (int i = 0; i < 64; ++i) h = (h ^ (unsigned)i) * 16777619u + (h >> 7);
  return h + (unsigned)fib(10 + (int)(seed & 3));
}

/* A float-result routine in the middle: its stub loads the result onto the x87 stack. */
__attribute__((noinline)) static float floatWork(float seed) {
  float x = seed, y = 1.0f;
  for (int i = 0; i < 24; ++i) {
    x = x * 0.999f + (float)i * 0.5f;
    y = y / 1.0001f + x * 0.0001f;
    if ((i & 7) == 0) x = _fsoakstepf(x);
  }
  return x + y;
}

static int bits(float f) {
  union {
    float f;
    int i;
  } u;
  u.f = f;
  return u.i;
}

void __MAIN(void) {
  int rounds = _fsoakparam(0), calls = _fsoakparam(1);
  int v = 0;
  for (int r = 0; r < rounds; ++r) {
    int sum = 0;
    for (int i = 0; i < calls; ++i) sum += _fsoakstep(v++);
    _fsoakround(r, sum);
    _fsoakcompare(0, (int)intWork((unsigned)sum), (int)intWork((unsigned)sum));
    float seed = (float)(sum & 0xFFFF);
    _fsoakcompare(1, bits(floatWork(seed)), bits(floatWork(seed)));
  }
}
