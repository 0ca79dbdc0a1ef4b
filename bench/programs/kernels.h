/* CPU-bound kernels, compiled both for the guest and natively by the benchmarks. */
#ifndef KORVA_KERNELS_H
#define KORVA_KERNELS_H

static unsigned kernelIntLoop(int n) {
  unsigned h = 2166136261u;
  for (int i = 0; i < n; ++i) h = (h ^ (unsigned)i) * 16777619u + (h >> 7);
  return h;
}

static int kernelFib(int n) { return n < 2 ? n : kernelFib(n - 1) + kernelFib(n - 2); }

static float kernelFloatLoop(int n) {
  float x = 0.0f, y = 1.0f;
  for (int i = 0; i < n; ++i) {
    x = x * 0.999f + (float)i * 0.5f;
    y = y / 1.0001f + x * 0.0001f;
  }
  return x + y;
}

#endif
