// Row loops in plain C++, for processors without loops of their own and as the narrower
// path beside NEON.
#include "render/canvas/private/blitter_loops.h"

namespace korva::blitter {

namespace {

void fillRowsPlain(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t pattern) {
  for (; rows > 0; --rows, d += dp) fillTail(d, 0, n, pattern);
}

void fillRows24Plain(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t native) {
  uint8_t pat[48];
  pattern24(pat, native);
  for (; rows > 0; --rows, d += dp) {
    size_t i = 0;
    for (; i + 48 <= n; i += 48) std::memcpy(d + i, pat, 48);
    std::memcpy(d + i, pat, n - i);
  }
}

template <int Bpp>
void keyedRowsPlain(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows, uint32_t key,
                    uint32_t cmp) {
  for (; rows > 0; --rows, d += dp, s += sp) keyedTail<Bpp>(d, s, 0, w, key, cmp);
}

const Loops kPlain{"plain", &fillRowsPlain, &fillRows24Plain, &keyedRowsPlain<2>, &keyedRowsPlain<4>};

}  // namespace

const Loops& plainLoops() { return kPlain; }

#if !defined(__x86_64__) && !defined(__aarch64__)
const Loops& widestLoops() { return kPlain; }
const Loops& narrowerLoops() { return kPlain; }
#endif

}  // namespace korva::blitter
