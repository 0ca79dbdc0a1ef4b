// Small canvases drawn as text: '#' for a pixel that is not black, '.' for black.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/canvas/canvas.h"

namespace korva::test {

inline std::unique_ptr<Canvas> make(int w, int h, const PixelLayout& layout = PixelLayout::xrgb8888()) {
  auto c = Canvas::create(w, h, layout);
  c->cls();
  return c;
}

inline std::vector<std::string> picture(Canvas& c) {
  std::vector<std::string> rows;
  c.lock();
  for (int y = 0; y < c.height(); ++y) {
    std::string r;
    for (int x = 0; x < c.width(); ++x) r += (c.getPixelFast(x, y) & 0xFFFFFF) ? '#' : '.';
    rows.push_back(r);
  }
  c.unlock();
  return rows;
}

}  // namespace korva::test

namespace korva::test {

// The ARGB reading of one surface pixel, whatever the canvas's origin and viewport.
inline uint32_t at(Canvas& c, int x, int y) {
  c.lock();
  uint32_t v = c.getPixelFast(x, y);
  c.unlock();
  return v;
}

}  // namespace korva::test
