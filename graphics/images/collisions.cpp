// Overlap tests (bounding boxes) and collision tests (pixels that differ from the mask
// colour), at positions where the images' handle points land.
#include "graphics/images/image_commands.h"
#include "graphics/images/private/image_set.h"

namespace korva::graphics {

using namespace graphics;

int32_t ImagesOverlap(int32_t image1, int32_t x1, int32_t y1, int32_t image2, int32_t x2, int32_t y2) {
  Canvas* a = checkedFrame(image1, 0);
  Canvas* b = checkedFrame(image2, 0);
  return a && b && a->collide(x1, y1, *b, x2, y2, true) ? 1 : 0;
}

int32_t ImagesCollide(int32_t image1, int32_t x1, int32_t y1, int32_t frame1, int32_t image2, int32_t x2, int32_t y2,
                      int32_t frame2) {
  Canvas* a = checkedFrame(image1, frame1);
  Canvas* b = checkedFrame(image2, frame2);
  return a && b && a->collide(x1, y1, *b, x2, y2, false) ? 1 : 0;
}

int32_t RectsOverlap(int32_t x1, int32_t y1, int32_t width1, int32_t height1, int32_t x2, int32_t y2, int32_t width2,
                     int32_t height2) {
  // Rectangles that only touch do not overlap; sums in 64 bits cannot wrap.
  return int64_t(x2) < int64_t(x1) + width1 && int64_t(x1) < int64_t(x2) + width2 &&
                 int64_t(y2) < int64_t(y1) + height1 && int64_t(y1) < int64_t(y2) + height2
             ? 1
             : 0;
}

int32_t ImageRectOverlap(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                         int32_t rectHeight) {
  Canvas* frame = checkedFrame(image, 0);
  return frame && frame->rectCollide(x, y, rectX, rectY, rectWidth, rectHeight, true) ? 1 : 0;
}

int32_t ImageRectCollide(int32_t image, int32_t x, int32_t y, int32_t frame, int32_t rectX, int32_t rectY,
                         int32_t rectWidth, int32_t rectHeight) {
  Canvas* canvas = checkedFrame(image, frame);
  return canvas && canvas->rectCollide(x, y, rectX, rectY, rectWidth, rectHeight, false) ? 1 : 0;
}

}  // namespace korva::graphics
