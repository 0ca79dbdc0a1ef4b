// Buffers: which one is drawn on, loading and saving them as pictures, locking, and the
// frame commands that show them.
#include "graphics/commands/graphics_commands.h"
#include "graphics/commands/private/arguments.h"
#include "render/display/graphics_device.h"
#include "render/imagefile/image_file.h"
#include "graphics/module/graphics_state.h"
#include "render/transform/affine_transform.h"

namespace korva::graphics {
namespace {

using graphics::state;

GraphicsDevice* device() { return state().device; }

}  // namespace

int32_t FrontBuffer() { return device() ? graphics::bufferHandle(device()->frontBuffer()) : 0; }
int32_t BackBuffer() { return device() ? graphics::bufferHandle(device()->backBuffer()) : 0; }
int32_t GraphicsBuffer() { return graphics::bufferHandle(state().buffer); }

void SetBuffer(int32_t buffer) {
  if (Canvas* canvas = graphics::checkedBuffer(buffer)) graphics::makeCurrent(*canvas);
}

int32_t LoadBuffer(int32_t buffer, vxStr* file) {
  const std::string name = takeText(file);
  Canvas* target = graphics::checkedBuffer(buffer);
  if (!target) return 0;
  Canvas* picture = device()->loadCanvas(name, 0);
  if (!picture) return 0;
  const AffineMatrix scale = AffineMatrix::scale(static_cast<float>(target->width()) / static_cast<float>(picture->width()),
                                                 static_cast<float>(target->height()) / static_cast<float>(picture->height()));
  GraphicsDevice* d = device();
  Canvas* scaled = transformCanvas(*picture, scale, state().transformFilter,
                                   [d](int w, int h) { return d->createCanvas(w, h, 0); });
  d->freeCanvas(picture);
  // A picture that cannot be scaled leaves the buffer as it was, like one that cannot be read.
  if (!scaled) return 0;
  const int originX = target->originX(), originY = target->originY();
  target->setOrigin(0, 0);
  target->blit(0, 0, *scaled, 0, 0, scaled->width(), scaled->height(), true);
  target->setOrigin(originX, originY);
  d->freeCanvas(scaled);
  return 1;
}

int32_t SaveBuffer(int32_t buffer, vxStr* file) {
  const std::string name = takeText(file);
  Canvas* source = graphics::checkedBuffer(buffer);
  return source && saveBmp(*source, name) ? 1 : 0;
}

void LockBuffer(int32_t buffer) {
  if (Canvas* canvas = graphics::bufferOrCurrent(buffer)) canvas->lock();
}

void UnlockBuffer(int32_t buffer) {
  if (Canvas* canvas = graphics::bufferOrCurrent(buffer)) canvas->unlock();
}

int32_t ScanLine() { return device() ? device()->scanLine() : 0; }

void VWait(int32_t) {
  // One blank whatever the count: programs have always been timed that way.
  if (device()) device()->waitVBlank();
  graphics::pollOrEnd();
}

void Flip(int32_t vwait) {
  if (device()) device()->flip(vwait != 0);
  graphics::pollOrEnd();
}

int32_t GraphicsWidth() { return device() ? device()->width() : 0; }
int32_t GraphicsHeight() { return device() ? device()->height() : 0; }
int32_t GraphicsDepth() { return device() ? device()->depth() : 0; }

}  // namespace korva::graphics
