// Affine resampling of a canvas into a new one: the picture turned, scaled or sheared about
// its handle point. Each destination pixel's centre is mapped back through the inverse
// matrix and read from the source, nearest or bilinear, all in single precision so that
// results match pixel for pixel wherever this runs.
#pragma once

#include <functional>

#include "render/canvas/canvas.h"

namespace korva {

// The largest side of a transformed canvas: a larger result is refused, never allocated.
constexpr int kMaxTransformSide = 16384;

// A point (x, y) relative to the handle maps to (a*x + c*y, b*x + d*y).
struct AffineMatrix {
  float a = 1, b = 0, c = 0, d = 1;

  static AffineMatrix scale(float x, float y) { return {x, 0, 0, y}; }
  // Positive degrees turn the picture clockwise on screen (y grows downwards). The angle is
  // converted with the single-precision factor programs have always used, so a quarter turn
  // leaves cos at -4.4e-8, not 0, and the result's box may gain a row or column.
  static AffineMatrix rotation(float degrees);
};

// Makes the destination canvas; null when it cannot. The caller owns what it makes.
using CanvasMaker = std::function<Canvas*(int width, int height)>;

// The transformed copy of source, through make. Its handle is where the source's handle
// point went, its mask colour the source's; source pixels outside the frame read as the
// mask colour, so uncovered corners come out transparent. filter chooses bilinear sampling,
// which yields colours with a zero alpha byte. Null, without calling make, for a singular
// or non-finite matrix and for a result that would be empty or exceed kMaxTransformSide;
// null when make fails.
Canvas* transformCanvas(Canvas& source, const AffineMatrix& m, bool filter, const CanvasMaker& make);

}  // namespace korva
