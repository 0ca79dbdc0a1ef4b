/* A long loop that never calls the run-time, for signals to land in. */
#include "korva_native.h"

void __MAIN(void) {
  unsigned n = (unsigned)_fcpuparam(), h = 1;
  for (unsigned i = 0; i < n; ++i) h = h * 1664525u + 1013904223u + (h >> 13);
  _fcpurecord((int)h);
}
