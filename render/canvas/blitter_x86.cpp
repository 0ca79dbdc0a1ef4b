// SSE2 and AVX2 row loops for x86-64 (SSE2 is part of every x86-64 processor).
#if defined(__x86_64__)
#include <immintrin.h>

#include "render/canvas/private/blitter_loops.h"

namespace korva::blitter {

namespace {

void fillRowsSse2(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t pattern) {
  const __m128i v = _mm_set1_epi32(static_cast<int>(pattern));
  for (; rows > 0; --rows, d += dp) {
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 16), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 32), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 48), v);
    }
    for (; i + 16 <= n; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
    fillTail(d, i, n, pattern);
  }
}

__attribute__((target("avx2"))) void fillRowsAvx2(uint8_t* d, ptrdiff_t dp, size_t n, int rows,
                                                  uint32_t pattern) {
  const __m256i v = _mm256_set1_epi32(static_cast<int>(pattern));
  for (; rows > 0; --rows, d += dp) {
    size_t i = 0;
    for (; i + 128 <= n; i += 128) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 32), v);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 64), v);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 96), v);
    }
    for (; i + 32 <= n; i += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
    if (i + 16 <= n) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm256_castsi256_si128(v));
      i += 16;
    }
    fillTail(d, i, n, pattern);
  }
}

void fillRows24Sse2(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t native) {
  alignas(16) uint8_t pat[48];
  pattern24(pat, native);
  const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(pat));
  const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(pat + 16));
  const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(pat + 32));
  for (; rows > 0; --rows, d += dp) {
    size_t i = 0;
    for (; i + 48 <= n; i += 48) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), a);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 16), b);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 32), c);
    }
    std::memcpy(d + i, pat, n - i);
  }
}

// Compare a vector of pixels with the key at once, and skip wholly transparent vectors or
// store wholly opaque ones without reading the destination.
template <int Bpp>
void keyedRowsSse2(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows, uint32_t key,
                   uint32_t cmp) {
  const uint32_t rep = Bpp == 2 ? 0x10001u : 1u;
  const __m128i k = _mm_set1_epi32(static_cast<int>(key * rep));
  const __m128i m = _mm_set1_epi32(static_cast<int>(cmp * rep));
  constexpr int per = 16 / Bpp;
  const int whole = w / per * per;
  for (; rows > 0; --rows, d += dp, s += sp) {
    for (int x = 0; x < whole; x += per) {
      __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x * Bpp));
      __m128i masked = _mm_and_si128(sv, m);
      __m128i eq = Bpp == 2 ? _mm_cmpeq_epi16(masked, k) : _mm_cmpeq_epi32(masked, k);
      int bits = _mm_movemask_epi8(eq);
      if (bits == 0xFFFF) continue;
      __m128i* dv = reinterpret_cast<__m128i*>(d + x * Bpp);
      if (bits) sv = _mm_or_si128(_mm_and_si128(eq, _mm_loadu_si128(dv)), _mm_andnot_si128(eq, sv));
      _mm_storeu_si128(dv, sv);
    }
    keyedTail<Bpp>(d, s, whole, w, key, cmp);
  }
}

template <int Bpp>
__attribute__((target("avx2"))) void keyedRowsAvx2(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp,
                                                   int w, int rows, uint32_t key, uint32_t cmp) {
  const uint32_t rep = Bpp == 2 ? 0x10001u : 1u;
  const __m256i k = _mm256_set1_epi32(static_cast<int>(key * rep));
  const __m256i m = _mm256_set1_epi32(static_cast<int>(cmp * rep));
  constexpr int per = 32 / Bpp;
  const int whole = w / per * per;
  for (; rows > 0; --rows, d += dp, s += sp) {
    for (int x = 0; x < whole; x += per) {
      __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x * Bpp));
      __m256i masked = _mm256_and_si256(sv, m);
      __m256i eq = Bpp == 2 ? _mm256_cmpeq_epi16(masked, k) : _mm256_cmpeq_epi32(masked, k);
      int bits = _mm256_movemask_epi8(eq);
      if (bits == -1) continue;
      __m256i* dv = reinterpret_cast<__m256i*>(d + x * Bpp);
      if (bits) sv = _mm256_blendv_epi8(sv, _mm256_loadu_si256(dv), eq);
      _mm256_storeu_si256(dv, sv);
    }
    keyedTail<Bpp>(d, s, whole, w, key, cmp);
  }
}

const Loops kSse2{"sse2", &fillRowsSse2, &fillRows24Sse2, &keyedRowsSse2<2>, &keyedRowsSse2<4>};
const Loops kAvx2{"avx2", &fillRowsAvx2, &fillRows24Sse2, &keyedRowsAvx2<2>, &keyedRowsAvx2<4>};

}  // namespace

const Loops& widestLoops() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2 ? kAvx2 : kSse2;
}

const Loops& narrowerLoops() { return kSse2; }

}  // namespace korva::blitter
#endif
