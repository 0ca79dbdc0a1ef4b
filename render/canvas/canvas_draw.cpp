// The drawing primitives: colour fills, lines, rectangles and ovals.
#include <cmath>
#include <cstdlib>

#include "render/canvas/private/blitter.h"
#include "render/canvas/canvas.h"
#include "render/canvas/private/canvas_internal.h"

namespace korva {

bool Canvas::fillInViewport(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t native) {
  Rect c;
  if (!clip(ClipBox{l, t, r, b}, viewport_, c)) return false;
  blitter::fill(*surface_, c.left, c.top, c.width(), c.height(), native);
  return true;
}

void Canvas::cls() {
  if (viewport_.empty()) return;
  blitter::fill(*surface_, viewport_.left, viewport_.top, viewport_.width(), viewport_.height(), clsColor_);
  advance();
  updateMask(viewport_);
}

void Canvas::plot(int x, int y) {
  int64_t px = int64_t(x) + originX_, py = int64_t(y) + originY_;
  if (!fillInViewport(px, py, px + 1, py + 1, color_)) return;
  advance();
  updateMask(Rect{int(px), int(py), int(px) + 1, int(py) + 1});
}

// Walks the major axis from the first point; the minor coordinate of step i is
// i * minor / major rounded to nearest, and an exact half rounds towards the first point
// (the walk has not yet stepped). The end point is left out. Only the steps whose major
// coordinate falls in the clip rectangle are visited, so a huge line costs no more than
// one across the viewport.
void Canvas::line(int x1, int y1, int x2, int y2) {
  int64_t ax = int64_t(x1) + originX_, ay = int64_t(y1) + originY_;
  int64_t bx = int64_t(x2) + originX_, by = int64_t(y2) + originY_;
  Rect c;
  if (!clip(ClipBox{std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1}, viewport_, c))
    return;
  usePen(colorRef_);
  if (!surface_->lost()) {
    const bool xMajor = std::llabs(bx - ax) >= std::llabs(by - ay);
    const int64_t m0 = xMajor ? ax : ay, n0 = xMajor ? ay : ax;
    const int64_t dm = (xMajor ? bx : by) - m0, dn = (xMajor ? by : bx) - n0;
    const int64_t sm = dm < 0 ? -1 : 1, sn = dn < 0 ? -1 : 1;
    const int64_t steps = std::llabs(dm), rise = std::llabs(dn);
    const int64_t lo = xMajor ? c.left : c.top, hi = xMajor ? c.right : c.bottom;
    const int64_t nlo = xMajor ? c.top : c.left, nhi = xMajor ? c.bottom : c.right;
    // Steps i in [first, last) have their major coordinate m0 + sm * i in [lo, hi).
    int64_t first = sm > 0 ? lo - m0 : m0 - (hi - 1);
    int64_t last = (sm > 0 ? hi - m0 : m0 - lo + 1);
    first = std::max<int64_t>(first, 0);
    last = std::min(last, steps);
    const PixelFormat& f = format();
    for (int64_t i = first; i < last; ++i) {
      // Rounding half down: floor((2 i rise + steps - 1) / (2 steps)). With origins added,
      // the product can pass 2^63.
      int64_t n = n0 + sn * static_cast<int64_t>((__int128{2} * i * rise + steps - 1) / (__int128{2} * steps));
      if (n < nlo || n >= nhi) continue;
      int64_t m = m0 + sm * i;
      int px = int(xMajor ? m : n), py = int(xMajor ? n : m);
      f.storeNative(surface_->row(py) + ptrdiff_t(px) * f.bytesPerPixel, color_);
    }
  }
  advance();
  updateMask(c);
}

void Canvas::rect(int x, int y, int width, int height, bool solid) {
  int64_t l = int64_t(x) + originX_, t = int64_t(y) + originY_;
  int64_t r = l + width, b = t + height;
  Rect c;
  if (!clip(ClipBox{l, t, r, b}, viewport_, c)) return;
  if (solid) {
    blitter::fill(*surface_, c.left, c.top, c.width(), c.height(), color_);
  } else {
    fillInViewport(l, t, r, t + 1, color_);
    fillInViewport(l, t, l + 1, b, color_);
    fillInViewport(r - 1, t, r, b, color_);
    fillInViewport(l, b - 1, r, b, color_);
  }
  advance();
  updateMask(c);
}

namespace {

// Keeps a float column inside int range before the conversion.
int column(float v) {
  v = std::floor(v);
  if (v < -1073741824.0f) return -1073741824;
  if (v > 1073741824.0f) return 1073741824;
  return static_cast<int>(v);
}

struct Span {
  int x0, x1;
  bool real;
};

// The row's span: floor(cx - hw) to floor(cx + hw), exclusive, with
// hw = sqrt(ry^2 - (r - cy)^2) * ratio, all in 32-bit floats.
Span span(int row, float cx, float cy, float ry, float ratio) {
  float d = static_cast<float>(row) - cy;
  float q = ry * ry - d * d;
  if (q < 0.0f) return {0, 0, false};
  float hw = std::sqrt(q) * ratio;
  return {column(cx - hw), column(cx + hw), true};
}

}  // namespace

void Canvas::oval(int x, int y, int width, int height, bool solid) {
  int64_t l = int64_t(x) + originX_, t = int64_t(y) + originY_;
  Rect b;
  if (!clip(ClipBox{l, t, l + width, t + height}, viewport_, b)) return;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const float cx = static_cast<float>(l) + w * 0.5f + 0.5f;
  const float cy = static_cast<float>(t) + h * 0.5f - 0.5f;
  const float ry = h * 0.5f;
  const float ratio = w / h;
  if (solid) {
    for (int r = b.top; r < b.bottom; ++r) {
      Span s = span(r, cx, cy, ry, ratio);
      if (!s.real || s.x1 <= s.x0 || s.x0 >= viewport_.right || s.x1 <= viewport_.left) continue;
      blitter::fill(*surface_, std::max(s.x0, viewport_.left), r,
                    std::min(s.x1, viewport_.right) - std::max(s.x0, viewport_.left), 1, color_);
    }
  } else {
    ovalOutline(b, cx, cy, ry, ratio, b.top > t, b.bottom < t + height);
  }
  advance();
  updateMask(b);
}

// Each row's edge is joined to the previous row's edge by a horizontal run, so that the
// steep parts near the middle have no gaps. When the viewport cut the oval, the walk starts
// one row outside it so the first visible row still joins the edge above (or below) it.
void Canvas::ovalOutline(const Rect& b, float cx, float cy, float ry, float ratio, bool cutTop, bool cutBottom) {
  const int mid = column(cy);
  const int c = static_cast<int>(std::max(-1073741824.0f, std::min(cx, 1073741824.0f)));
  auto edges = [&](int r, int& pl, int& pr) {
    Span s = span(r, cx, cy, ry, ratio);
    if (!s.real) return;
    if (pl <= s.x0)
      fillInViewport(s.x0, r, int64_t(s.x0) + 1, r + 1, color_);
    else
      fillInViewport(s.x0, r, pl, r + 1, color_);
    if (pr >= s.x1)
      fillInViewport(int64_t(s.x1) - 1, r, s.x1, r + 1, color_);
    else
      fillInViewport(pr, r, s.x1, r + 1, color_);
    pl = s.x0;
    pr = s.x1;
  };
  // Rows past the viewport draw nothing and feed no visible row, so the walks stop there.
  int pl = c, pr = c;
  for (int r = cutTop ? b.top - 1 : b.top; r <= mid && r < b.bottom; ++r) edges(r, pl, pr);
  pl = pr = c;
  for (int r = cutBottom ? b.bottom : b.bottom - 1; r > mid && r >= b.top; --r) edges(r, pl, pr);
}

}  // namespace korva
