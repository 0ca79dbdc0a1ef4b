#include "render/canvas/private/blitter.h"

#include <immintrin.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace korva::blitter {

namespace {

using Rows = void (*)(uint8_t* d, ptrdiff_t dp, size_t rowBytes, int rows, uint32_t pattern);
using KeyedRows = void (*)(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows,
                           uint32_t key, uint32_t cmp);

// The pixels after the last whole vector, one at a time.
template <int Bpp>
inline void keyedTail(uint8_t* d, const uint8_t* s, int from, int w, uint32_t key, uint32_t cmp) {
  for (int x = from; x < w; ++x) {
    uint32_t v = 0;
    std::memcpy(&v, s + x * Bpp, Bpp);
    if ((v & cmp) != key) std::memcpy(d + x * Bpp, &v, Bpp);
  }
}

inline void fillTail(uint8_t* d, size_t from, size_t n, uint32_t pattern) {
  for (; from + 4 <= n; from += 4) std::memcpy(d + from, &pattern, 4);
  if (from + 2 <= n) std::memcpy(d + from, &pattern, 2);
}

// Fill loops for 2 and 4-byte pixels: the pattern is a 32-bit repeat of the colour.
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

// 3-byte pixels: three vectors make 48 bytes, a whole number of pixels.
void fillRows24(uint8_t* d, ptrdiff_t dp, size_t n, int rows, uint32_t native) {
  alignas(16) uint8_t pat[48];
  for (int i = 0; i < 48; i += 3) std::memcpy(pat + i, &native, 3);
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

// Keyed rows for 2 and 4-byte pixels: compare a vector of pixels with the key at once, and
// skip wholly transparent vectors or store wholly opaque ones without reading the destination.
template <int Bpp>
inline __m128i equalKey(__m128i a, __m128i b) {
  return Bpp == 2 ? _mm_cmpeq_epi16(a, b) : _mm_cmpeq_epi32(a, b);
}

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
      __m128i eq = equalKey<Bpp>(_mm_and_si128(sv, m), k);
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

void keyedRows24(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows, uint32_t key,
                 uint32_t cmp) {
  for (; rows > 0; --rows, d += dp, s += sp) keyedTail<3>(d, s, 0, w, key, cmp);
}

bool sse2Only = false;

bool useAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && !sse2Only;
}

KeyedRows keyedRows(int bpp) {
  bool wide = useAvx2();
  switch (bpp) {
    case 2: return wide ? &keyedRowsAvx2<2> : &keyedRowsSse2<2>;
    case 4: return wide ? &keyedRowsAvx2<4> : &keyedRowsSse2<4>;
    default: return &keyedRows24;
  }
}

bool sameBytes(uint32_t v, int bpp) {
  uint32_t b = v & 0xFF;
  return bpp == 2 ? (v & 0xFFFF) == b * 0x101u : bpp == 3 ? (v & 0xFFFFFF) == b * 0x10101u : v == b * 0x1010101u;
}

// Pixel by pixel through ARGB, for blits between surfaces of different formats.
void convertRows(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h, bool keyed,
                 uint32_t key) {
  const PixelFormat& sf = src.format();
  const PixelFormat& df = dst.format();
  for (int r = 0; r < h; ++r) {
    const uint8_t* s = src.row(sy + r) + sx * sf.bytesPerPixel;
    uint8_t* d = dst.row(dy + r) + dx * df.bytesPerPixel;
    for (int x = 0; x < w; ++x, s += sf.bytesPerPixel, d += df.bytesPerPixel) {
      if (keyed && (sf.loadNative(s) & sf.channelBits) == key) continue;
      df.write(d, sf.read(s));
    }
  }
}

bool overlaps(const Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h) {
  return &dst == &src && dx < sx + w && sx < dx + w && dy < sy + h && sy < dy + h;
}

}  // namespace

const char* vectorPath() { return useAvx2() ? "avx2" : "sse2"; }
void forceSse2(bool on) { sse2Only = on; }

void fill(Surface& s, int x, int y, int w, int h, uint32_t native) {
  if (s.lost()) return;
  const int bpp = s.format().bytesPerPixel;
  uint8_t* d = s.row(y) + static_cast<ptrdiff_t>(x) * bpp;
  size_t n = static_cast<size_t>(w) * bpp;
  ptrdiff_t pitch = s.pitch();
  if (n == static_cast<size_t>(pitch)) {  // whole rows with no padding: one long run
    n *= h;
    h = 1;
  }
  if (sameBytes(native, bpp)) {
    for (; h > 0; --h, d += pitch) std::memset(d, static_cast<int>(native & 0xFF), n);
  } else if (bpp == 3) {
    fillRows24(d, pitch, n, h, native);
  } else {
    uint32_t pattern = bpp == 2 ? (native & 0xFFFF) * 0x10001u : native;
    Rows rows = useAvx2() ? &fillRowsAvx2 : &fillRowsSse2;
    rows(d, pitch, n, h, pattern);
  }
}

void copy(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h) {
  if (dst.lost() || src.lost()) return;
  if (!(dst.format().layout() == src.format().layout())) return convertRows(dst, dx, dy, src, sx, sy, w, h, false, 0);
  const int bpp = dst.format().bytesPerPixel;
  const size_t n = static_cast<size_t>(w) * bpp;
  // Onto itself with the destination lower down: go bottom-up so no row is overwritten
  // before it is read; memmove covers overlap within a row.
  const bool up = &dst == &src && dy > sy;
  for (int i = 0; i < h; ++i) {
    int r = up ? h - 1 - i : i;
    std::memmove(dst.row(dy + r) + dx * bpp, src.row(sy + r) + sx * bpp, n);
  }
}

void copyKeyed(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h, uint32_t key) {
  if (dst.lost() || src.lost()) return;
  const PixelFormat& f = src.format();
  key &= f.channelBits;
  if (!(dst.format().layout() == f.layout())) return convertRows(dst, dx, dy, src, sx, sy, w, h, true, key);
  const int bpp = f.bytesPerPixel;
  const uint8_t* s = src.row(sy) + sx * bpp;
  ptrdiff_t sp = src.pitch();
  std::vector<uint8_t> staged;
  if (overlaps(dst, dx, dy, src, sx, sy, w, h)) {  // read the whole source before writing
    sp = static_cast<ptrdiff_t>(w) * bpp;
    staged.resize(static_cast<size_t>(sp) * h);
    for (int r = 0; r < h; ++r) std::memcpy(staged.data() + r * sp, src.row(sy + r) + sx * bpp, sp);
    s = staged.data();
  }
  keyedRows(bpp)(dst.row(dy) + dx * bpp, dst.pitch(), s, sp, w, h, key, f.channelBits);
}

}  // namespace korva::blitter
