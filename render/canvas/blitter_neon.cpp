// NEON row loops for 64-bit ARM (NEON is part of every such processor); the plain loops are
// the narrower ones.
#if defined(__aarch64__)
#include <arm_neon.h>

#include "render/canvas/private/blitter_loops.h"

namespace korva::blitter {

namespace {

void fillRowsNeon(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t pattern) {
  const uint8x16_t v = vreinterpretq_u8_u32(vdupq_n_u32(pattern));
  for (; rows > 0; --rows, d += dp) {
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
      vst1q_u8(d + i, v);
      vst1q_u8(d + i + 16, v);
      vst1q_u8(d + i + 32, v);
      vst1q_u8(d + i + 48, v);
    }
    for (; i + 16 <= n; i += 16) vst1q_u8(d + i, v);
    fillTail(d, i, n, pattern);
  }
}

void fillRows24Neon(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t native) {
  uint8_t pat[48];
  pattern24(pat, native);
  const uint8x16_t a = vld1q_u8(pat), b = vld1q_u8(pat + 16), c = vld1q_u8(pat + 32);
  for (; rows > 0; --rows, d += dp) {
    size_t i = 0;
    for (; i + 48 <= n; i += 48) {
      vst1q_u8(d + i, a);
      vst1q_u8(d + i + 16, b);
      vst1q_u8(d + i + 32, c);
    }
    std::memcpy(d + i, pat, n - i);
  }
}

// As on x86-64: wholly transparent vectors are skipped, wholly opaque ones stored without
// reading the destination.
template <int Bpp>
void keyedRowsNeon(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows, uint32_t key,
                   uint32_t cmp) {
  const uint32_t rep = Bpp == 2 ? 0x10001u : 1u;
  const uint8x16_t k = vreinterpretq_u8_u32(vdupq_n_u32(key * rep));
  const uint8x16_t m = vreinterpretq_u8_u32(vdupq_n_u32(cmp * rep));
  constexpr int per = 16 / Bpp;
  const int whole = w / per * per;
  for (; rows > 0; --rows, d += dp, s += sp) {
    for (int x = 0; x < whole; x += per) {
      uint8x16_t sv = vld1q_u8(s + x * Bpp);
      uint8x16_t masked = vandq_u8(sv, m);
      uint8x16_t eq = Bpp == 2 ? vreinterpretq_u8_u16(vceqq_u16(vreinterpretq_u16_u8(masked), vreinterpretq_u16_u8(k)))
                               : vreinterpretq_u8_u32(vceqq_u32(vreinterpretq_u32_u8(masked), vreinterpretq_u32_u8(k)));
      if (vminvq_u8(eq) == 0xFF) continue;
      uint8_t* dv = d + x * Bpp;
      if (vmaxvq_u8(eq)) sv = vbslq_u8(eq, vld1q_u8(dv), sv);
      vst1q_u8(dv, sv);
    }
    keyedTail<Bpp>(d, s, whole, w, key, cmp);
  }
}

const Loops kNeon{"neon", &fillRowsNeon, &fillRows24Neon, &keyedRowsNeon<2>, &keyedRowsNeon<4>};

}  // namespace

const Loops& widestLoops() { return kNeon; }
const Loops& narrowerLoops() { return plainLoops(); }

}  // namespace korva::blitter
#endif
