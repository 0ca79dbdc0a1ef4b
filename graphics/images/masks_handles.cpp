// Mask colours, handles and sizes. An image's size and handle are frame 0's; setting a
// mask colour or a handle sets it on every frame.
#include "graphics/images/image_commands.h"
#include "graphics/images/private/image_set.h"
#include "graphics/module/graphics_state.h"

namespace korva::graphics {

using namespace graphics;

void MaskImage(int32_t image, int32_t red, int32_t green, int32_t blue) {
  Image* target = checkedImage(image);
  if (!target) return;
  // Components are not masked to 8 bits: a large one spills into the next channel.
  const uint32_t argb = uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
  for (Canvas* frame : target->frames) {
    frame->setMaskColor(argb);
    // A collision mask built for the old colour would disagree with what DrawImage shows.
    frame->refreshCollisionMask();
  }
}

void HandleImage(int32_t image, int32_t x, int32_t y) {
  if (Image* target = checkedImage(image))
    for (Canvas* frame : target->frames) frame->setHandle(x, y);
}

void MidHandle(int32_t image) {
  if (Image* target = checkedImage(image))
    for (Canvas* frame : target->frames) frame->setHandle(frame->width() / 2, frame->height() / 2);
}

void AutoMidHandle(int32_t enable) { graphics::state().autoMidHandle = enable != 0; }

int32_t ImageWidth(int32_t image) {
  Image* target = checkedImage(image);
  return target ? target->frames[0]->width() : 0;
}

int32_t ImageHeight(int32_t image) {
  Image* target = checkedImage(image);
  return target ? target->frames[0]->height() : 0;
}

int32_t ImageXHandle(int32_t image) {
  Image* target = checkedImage(image);
  return target ? target->frames[0]->handleX() : 0;
}

int32_t ImageYHandle(int32_t image) {
  Image* target = checkedImage(image);
  return target ? target->frames[0]->handleY() : 0;
}

}  // namespace korva::graphics
