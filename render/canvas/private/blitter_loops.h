// The row loops behind the blitter, one set per processor family: the widest this processor
// runs and the next narrower one. Each family keeps its intrinsics in its own file, built
// only for its processors; the plain loops run anywhere and finish every vector loop's tail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korva::blitter {

// rowBytes bytes of each of rows rows filled with a 32-bit repeat of a 2 or 4-byte colour.
using FillRows = void (*)(uint8_t* d, ptrdiff_t dp, size_t rowBytes, int rows, uint32_t pattern);
// The same for 3-byte pixels, from the colour's native value.
using FillRows24 = void (*)(uint8_t* d, ptrdiff_t dp, size_t rowBytes, int rows, uint32_t native);
// w pixels of each row copied, except those equal to key under the bits of cmp.
using KeyedRows = void (*)(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows,
                           uint32_t key, uint32_t cmp);

struct Loops {
  const char* name;
  FillRows fill;
  FillRows24 fill24;
  KeyedRows keyed16;
  KeyedRows keyed32;
};

const Loops& widestLoops();
const Loops& narrowerLoops();  // the same as the widest where there is nothing narrower
const Loops& plainLoops();

// Pixels from `from` on, one at a time.
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

// 3-byte pixels: 48 bytes hold a whole number of them.
inline void pattern24(uint8_t (&pat)[48], uint32_t native) {
  for (int i = 0; i < 48; i += 3) std::memcpy(pat + i, &native, 3);
}

}  // namespace korva::blitter
