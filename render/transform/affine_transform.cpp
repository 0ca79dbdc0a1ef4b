#include "render/transform/affine_transform.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace korva {

namespace {

// No canvas reaches this far, and a floor inside it always fits an int.
constexpr float kFar = float(1 << 30);

bool near(float x, float y) { return x > -kFar && x < kFar && y > -kFar && y < kFar; }  // false for NaN

// std::floor for a value inside kFar, without the library call it costs on baseline x86-64.
inline int floorInt(float x) {
  int t = int(x);
  return t - (x < float(t));
}

typedef float F4 __attribute__((vector_size(16)));
typedef int32_t I4 __attribute__((vector_size(16)));

inline F4 lanes(uint32_t argb) {
  I4 c = {int32_t(argb & 0xFF), int32_t(argb >> 8 & 0xFF), int32_t(argb >> 16 & 0xFF), 0};
  return __builtin_convertvector(c, F4);
}

// The source frame as the sampler reads it: outside the surface, the mask colour.
struct Frame {
  const PixelFormat& format;
  const uint8_t* pixels;
  int pitch, width, height;
  uint32_t mask;  // ARGB, as the canvas's own read gives it

  uint32_t at(int x, int y) const {
    if (unsigned(x) >= unsigned(width) || unsigned(y) >= unsigned(height)) return mask;
    return format.read(pixels + ptrdiff_t(y) * pitch + ptrdiff_t(x) * format.bytesPerPixel);
  }

  uint32_t nearest(float x, float y) const {
    if (!near(x, y)) return mask;
    return at(floorInt(x), floorInt(y));
  }

  // Red, green and blue weighted separately in the order written, so rounding is the same
  // everywhere; the alpha byte of the result is 0.
  uint32_t bilinear(float x, float y) const {
    float sx = x - 0.5f, sy = y - 0.5f;
    if (!near(sx, sy)) return mask & 0xFFFFFF;
    int ix = floorInt(sx), iy = floorInt(sy);
    float fx = sx - float(ix), fy = sy - float(iy);
    uint32_t p00, p10, p11, p01;
    if (unsigned(ix) < unsigned(width - 1) && unsigned(iy) < unsigned(height - 1)) {
      const uint8_t* q = pixels + ptrdiff_t(iy) * pitch + ptrdiff_t(ix) * format.bytesPerPixel;
      p00 = format.read(q), p10 = format.read(q + format.bytesPerPixel);
      p01 = format.read(q + pitch), p11 = format.read(q + pitch + format.bytesPerPixel);
    } else {
      p00 = at(ix, iy), p10 = at(ix + 1, iy), p11 = at(ix + 1, iy + 1), p01 = at(ix, iy + 1);
    }
    const float gx = 1 - fx, gy = 1 - fy;
    // Blue, green and red side by side: each lane is rounded exactly as a lone float would be.
    F4 v = lanes(p11) * fx * fy + lanes(p01) * gx * fy + lanes(p10) * fx * gy + lanes(p00) * gx * gy + 0.5f;
    I4 c = __builtin_convertvector(v, I4);
    return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16;
  }
};

struct Box {
  int left, top, width, height;
};

// The destination's box: the frame's corners through the matrix, rounded outwards. False when
// it is empty, too large, or out of int range.
bool resultBox(const AffineMatrix& m, float w, float h, float hx, float hy, Box& box) {
  const float xs[4] = {-hx, w - hx, w - hx, -hx};
  const float ys[4] = {-hy, -hy, h - hy, h - hy};
  float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (int k = 0; k < 4; ++k) {
    float x = m.a * xs[k] + m.c * ys[k], y = m.b * xs[k] + m.d * ys[k];
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  double left = std::floor(minX), top = std::floor(minY), right = std::ceil(maxX), bottom = std::ceil(maxY);
  // -left becomes the new handle, so it must fit an int too.
  if (left <= INT_MIN || top <= INT_MIN || right > INT_MAX || bottom > INT_MAX) return false;
  double width = right - left, height = bottom - top;
  if (width < 1 || height < 1 || width > kMaxTransformSide || height > kMaxTransformSide) return false;
  box = Box{int(left), int(top), int(width), int(height)};
  return true;
}

}  // namespace

AffineMatrix AffineMatrix::rotation(float degrees) {
  float t = degrees * 0.017453292f;
  float cs = std::cos(t), sn = std::sin(t);
  return {cs, sn, -sn, cs};
}

Canvas* transformCanvas(Canvas& source, const AffineMatrix& m, bool filter, const CanvasMaker& make) {
  const float a = m.a, b = m.b, c = m.c, d = m.d;
  const float det = a * d - c * b;
  if (det == 0 || !std::isfinite(det)) return nullptr;
  const float hx = float(source.handleX()), hy = float(source.handleY());
  Box box;
  if (!resultBox(m, float(source.width()), float(source.height()), hx, hy, box)) return nullptr;

  // A lost source has nothing to read; find out before a canvas is made that would leak.
  source.lock();
  if (!source.pixels()) {
    source.unlock();
    return nullptr;
  }
  Canvas* dest = make(box.width, box.height);
  if (!dest) {
    source.unlock();
    return nullptr;
  }
  dest->setHandle(-box.left, -box.top);
  dest->setMaskColor(source.maskColor());

  const Frame frame{source.format(), source.pixels(), source.pitch(), source.width(), source.height(),
                    source.maskColor()};
  dest->lock();
  if (uint8_t* out = dest->pixels()) {
    const PixelFormat& df = dest->format();
    // Guards against a maker that returned a canvas of another size.
    const int rows = std::min(box.height, dest->height()), cols = std::min(box.width, dest->width());
    for (int i = 0; i < rows; ++i) {
      uint8_t* to = out + ptrdiff_t(i) * dest->pitch();
      const float py = float(box.top + i) + 0.5f;
      for (int j = 0; j < cols; ++j, to += df.bytesPerPixel) {
        const float px = float(box.left + j) + 0.5f;
        const float u = (d * px - c * py) / det + hx;
        const float v = (-b * px + a * py) / det + hy;
        df.write(to, filter ? frame.bilinear(u, v) : frame.nearest(u, v));
      }
    }
    dest->setStamp(dest->stamp() + 1);
  }
  dest->unlock();
  source.unlock();
  return dest;
}

}  // namespace korva
