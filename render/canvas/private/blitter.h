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

// Which vector width the loops use on this machine ("avx2" or "sse2"), for the benchmarks.
const char* vectorPath();
// Forces the SSE2 loops even on an AVX2 machine (tests compare both paths).
void forceSse2(bool on);

}  // namespace korva::blitter
