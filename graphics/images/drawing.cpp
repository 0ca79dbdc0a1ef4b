// Images drawn on the current buffer: whole frames, parts of frames, and tiles that cover
// the viewport. Masked drawing skips the frame's mask colour; block drawing copies it too.
#include "graphics/images/image_commands.h"
#include "graphics/images/private/image_set.h"

namespace korva::graphics {
namespace {

using namespace graphics;

void draw(int32_t image, int32_t x, int32_t y, int32_t frame, bool solid) {
  Canvas* source = checkedFrame(image, frame);
  Canvas* buffer = currentBuffer();
  if (source && buffer) buffer->blit(x, y, *source, 0, 0, source->width(), source->height(), solid);
}

void drawRect(int32_t image, int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rw, int32_t rh, int32_t frame,
              bool solid) {
  Canvas* source = checkedFrame(image, frame);
  Canvas* buffer = currentBuffer();
  if (source && buffer) buffer->blit(x, y, *source, rx, ry, rw, rh, solid);
}

// Where the tile grid starts within one tile: d modulo size into 1 .. size for a negative
// d (so size itself is possible, which only adds one clipped column or row).
int64_t phase(int64_t d, int64_t size) { return d >= 0 ? d % size : size - (-d % size); }

void tile(int32_t image, int32_t x, int32_t y, int32_t frame, bool solid) {
  Canvas* source = checkedFrame(image, frame);
  Canvas* buffer = currentBuffer();
  if (!source || !buffer) return;
  const korva::Rect v = buffer->viewport();
  if (v.empty()) return;
  const int w = source->width(), h = source->height();
  // The grid passes through the corner DrawImage at (x, y) would use.
  const int64_t e = phase(int64_t(x) + buffer->originX() - source->handleX() - v.left, w);
  const int64_t f = phase(int64_t(y) + buffer->originY() - source->handleY() - v.top, h);
  // Tiles are placed in surface coordinates, so origin and handle step aside meanwhile (the
  // two may be one canvas when a frame is tiled onto itself).
  const int ox = buffer->originX(), oy = buffer->originY();
  const int hx = source->handleX(), hy = source->handleY();
  buffer->setOrigin(0, 0);
  source->setHandle(0, 0);
  for (int64_t j = -h; j < v.height(); j += h)
    for (int64_t i = -w; i < v.width(); i += w)
      buffer->blit(int(v.left + e + i), int(v.top + f + j), *source, 0, 0, w, h, solid);
  source->setHandle(hx, hy);
  buffer->setOrigin(ox, oy);
}

}  // namespace

void DrawImage(int32_t image, int32_t x, int32_t y, int32_t frame) { draw(image, x, y, frame, false); }
void DrawBlock(int32_t image, int32_t x, int32_t y, int32_t frame) { draw(image, x, y, frame, true); }
void TileImage(int32_t image, int32_t x, int32_t y, int32_t frame) { tile(image, x, y, frame, false); }
void TileBlock(int32_t image, int32_t x, int32_t y, int32_t frame) { tile(image, x, y, frame, true); }

void DrawImageRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                   int32_t rectHeight, int32_t frame) {
  drawRect(image, x, y, rectX, rectY, rectWidth, rectHeight, frame, false);
}

void DrawBlockRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                   int32_t rectHeight, int32_t frame) {
  drawRect(image, x, y, rectX, rectY, rectWidth, rectHeight, frame, true);
}

}  // namespace korva::graphics
