// A window-less graphics device to make fonts on, and pictures of what was drawn.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"

namespace korva::test {

inline std::unique_ptr<GraphicsDevice> fontDevice(int width = 320, int height = 200) {
  return GraphicsDevice::create(nullptr, width, height, PixelLayout::xrgb8888(), true);
}

// Surface pixels (ARGB), row by row.
inline std::vector<uint32_t> pixels(Canvas& c) {
  std::vector<uint32_t> out;
  c.lock();
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) out.push_back(c.getPixelFast(x, y));
  c.unlock();
  return out;
}

inline int countColour(Canvas& c, uint32_t argb) {
  int n = 0;
  for (uint32_t p : pixels(c)) n += p == argb;
  return n;
}

}  // namespace korva::test
