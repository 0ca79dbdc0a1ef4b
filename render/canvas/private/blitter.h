// The fill and copy loops behind the canvas's colour fills and blits. Rectangles must
// already lie inside their surfaces and be non-empty.
#pragma once

#include <cstdint>

#include "render/canvas/surface.h"

namespace korva::blitter {

void fill(Surface& s, int x, int y, int w, int h, uint32_t native);

// Copies a w x h block; dst and src may be the same surface with overlapping rectangles.
// Between different pixel formats the pixels are converted through ARGB.
void copy(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h);

// As copy, but source pixels equal to key (compared under the channel bits) are skipped.
void copyKeyed(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h, uint32_t key);

// Which loops run on this machine ("avx2", "sse2", "neon" or "plain"), for the benchmarks.
const char* vectorPath();
// Forces the next narrower loops: SSE2 on an AVX2 machine, the plain ones beside NEON (tests
// compare both paths).
void forceNarrowerLoops(bool on);

}  // namespace korva::blitter
