// What the canvas's source files share. Coordinates arrive as 64-bit values
// so that adding origins, handles and sizes to any int cannot overflow.
#pragma once

#include <algorithm>
#include <cstdint>

#include "render/canvas/canvas.h"

namespace korva {

struct ClipBox {
  int64_t left, top, right, bottom;
  bool empty() const { return left >= right || top >= bottom; }
};

// The part of b inside v, or false when b is empty or does not overlap v.
inline bool clip(const ClipBox& b, const Rect& v, Rect& out) {
  if (b.empty()) return false;
  ClipBox c{std::max<int64_t>(b.left, v.left), std::max<int64_t>(b.top, v.top), std::min<int64_t>(b.right, v.right),
        std::min<int64_t>(b.bottom, v.bottom)};
  if (c.empty()) return false;
  out = Rect{int(c.left), int(c.top), int(c.right), int(c.bottom)};
  return true;
}

// Lines take the one pen all canvases share; it follows the colour of the last line drawn.
void usePen(uint32_t colorRef);

}  // namespace korva
