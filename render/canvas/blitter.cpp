#include "render/canvas/private/blitter.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "render/canvas/private/blitter_loops.h"

namespace korva::blitter {

namespace {

bool narrowerOnly = false;

const Loops& loops() { return narrowerOnly ? narrowerLoops() : widestLoops(); }

void keyedRows24(uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, int w, int rows, uint32_t key,
                 uint32_t cmp) {
  for (; rows > 0; --rows, d += dp, s += sp) keyedTail<3>(d, s, 0, w, key, cmp);
}

KeyedRows keyedRows(int bpp) {
  switch (bpp) {
    case 2: return loops().keyed16;
    case 4: return loops().keyed32;
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

const char* vectorPath() { return loops().name; }
void forceNarrowerLoops(bool on) { narrowerOnly = on; }

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
    loops().fill24(d, pitch, n, h, native);
  } else {
    uint32_t pattern = bpp == 2 ? (native & 0xFFFF) * 0x10001u : native;
    loops().fill(d, pitch, n, h, pattern);
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
