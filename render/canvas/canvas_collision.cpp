// Collision masks (one bit per pixel, bit 31 the leftmost of 32) and the overlap tests.
#include <algorithm>
#include <cstring>

#include "render/canvas/canvas.h"

namespace korva {

namespace {

constexpr uint32_t startMask(int k) { return 0xFFFFFFFFu >> k; }       // pixels k..31
constexpr uint32_t endMask(int k) { return 0xFFFFFFFFu << (31 - k); }  // pixels 0..k

template <int Bpp>
void wordsOfRow(const uint8_t* row, int width, int first, int last, uint32_t key, uint32_t cmp, uint32_t* out) {
  for (int w = first; w <= last; ++w) {
    const int x0 = w * 32, x1 = std::min(x0 + 32, width);
    uint32_t bits = 0;
    const uint8_t* p = row + x0 * Bpp;
    for (int x = x0; x < x1; ++x, p += Bpp) {
      uint32_t v = 0;
      std::memcpy(&v, p, Bpp);
      bits = bits << 1 | ((v & cmp) != key);
    }
    // Pixels beyond the width stay 0.
    out[w] = x1 - x0 == 32 ? bits : bits << (32 - (x1 - x0));
  }
}

}  // namespace

// A pixel is set when its colour differs from the mask colour; native values under the
// channel bits compare exactly as their ARGB readings would.
void Canvas::maskWords(int y, int first, int last) {
  const PixelFormat& f = format();
  const uint32_t cmp = f.channelBits, key = maskColor_ & cmp;
  const uint8_t* row = surface_->row(y);
  uint32_t* out = mask_.data() + static_cast<size_t>(y) * wordsPerRow_;
  switch (f.bytesPerPixel) {
    case 2: return wordsOfRow<2>(row, bounds_.right, first, last, key, cmp, out);
    case 3: return wordsOfRow<3>(row, bounds_.right, first, last, key, cmp, out);
    default: return wordsOfRow<4>(row, bounds_.right, first, last, key, cmp, out);
  }
}

void Canvas::buildMask() {
  mask_.assign(static_cast<size_t>(wordsPerRow_) * bounds_.bottom, 0);
  for (int y = 0; y < bounds_.bottom; ++y) maskWords(y, 0, wordsPerRow_ - 1);
}

void Canvas::updateMask(const Rect& r) {
  if (mask_.empty() || r.empty()) return;
  for (int y = r.top; y < r.bottom; ++y) maskWords(y, r.left / 32, (r.right - 1) / 32);
}

bool Canvas::collide(int x1, int y1, Canvas& other, int x2, int y2, bool boundsOnly) {
  int64_t ax = int64_t(x1) - handleX_, ay = int64_t(y1) - handleY_;
  int64_t bx = int64_t(x2) - other.handleX_, by = int64_t(y2) - other.handleY_;
  if (!(bx < ax + width() && ax < bx + other.width() && by < ay + height() && ay < by + other.height())) return false;
  if (boundsOnly) return true;
  if (mask_.empty()) buildMask();
  if (other.mask_.empty()) other.buildMask();

  const bool thisLeft = ax <= bx;
  const Canvas& L = thisLeft ? *this : other;
  const Canvas& R = thisLeft ? other : *this;
  const int64_t xL = thisLeft ? ax : bx, yL = thisLeft ? ay : by;
  const int64_t xR = thisLeft ? bx : ax, yR = thisLeft ? by : ay;
  const int s = int(xR - xL);
  const int e = int(std::min(xL + L.width(), xR + R.width()) - 1 - xL);  // last column, from xL
  const int64_t top = std::max(yL, yR), bottom = std::min(yL + L.height(), yR + R.height());
  const int f = s / 32, k = s % 32, n = e / 32 - f;
  const uint32_t last = endMask(e % 32);
  const int rWords = R.wordsPerRow_;
  for (int64_t y = top; y < bottom; ++y) {
    const uint32_t* lw = L.mask_.data() + (y - yL) * L.wordsPerRow_ + f;
    const uint32_t* rw = R.mask_.data() + (y - yR) * rWords;
    uint32_t carry = 0;
    for (int j = 0; j < n; ++j) {
      if (((rw[j] >> k) | carry) & lw[j]) return true;
      carry = k ? rw[j] << (32 - k) : 0;
    }
    // n can reach one past R's row when R's right edge is not on a word boundary; that word
    // would add no pixels anyway.
    const uint32_t rn = n < rWords ? rw[n] : 0;
    if (((rn >> k) | carry) & lw[n] & last) return true;
  }
  return false;
}

bool Canvas::rectCollide(int x, int y, int rx, int ry, int rw, int rh, bool boundsOnly) {
  const int64_t bx = int64_t(x) - handleX_, by = int64_t(y) - handleY_;
  const int64_t rr = int64_t(rx) + rw, rb = int64_t(ry) + rh;
  if (!(rx < bx + width() && bx < rr && ry < by + height() && by < rb)) return false;
  // The bounds test takes the rectangle's edges as they are, as RectsOverlap does, even
  // with a negative width or height; such a rectangle holds no pixel to collide with.
  if (boundsOnly) return true;
  if (rw <= 0 || rh <= 0) return false;
  const int c0 = int(std::max<int64_t>(rx, bx) - bx), c1 = int(std::min<int64_t>(rr, bx + width()) - bx);
  const int64_t r0 = std::max<int64_t>(ry, by), r1 = std::min<int64_t>(rb, by + height());
  if (mask_.empty()) buildMask();
  const int a = c0 / 32, b = (c1 - 1) / 32;
  uint32_t first = startMask(c0 % 32);
  const uint32_t last = endMask((c1 - 1) % 32);
  if (a == b) first &= last;
  for (int64_t r = r0; r < r1; ++r) {
    const uint32_t* w = mask_.data() + (r - by) * wordsPerRow_;
    if (first & w[a]) return true;
    for (int i = a + 1; i < b; ++i)
      if (w[i]) return true;
    if (b > a && (last & w[b])) return true;
  }
  return false;
}

}  // namespace korva
