// Pixel access. The checked forms add the buffer's origin and clip to its viewport; the
// Fast forms are for loops between LockBuffer and UnlockBuffer and skip all that (the
// canvas still ignores them on an unlocked buffer or outside it, so they never stray).
#include "graphics/commands/graphics_commands.h"
#include "graphics/module/graphics_state.h"

namespace korva::graphics {
namespace {

// The unchecked commands: 0 is the current buffer, a dead handle is no buffer.
Canvas* uncheckedBuffer(int32_t handle) { return handle == 0 ? graphics::state().buffer : graphics::findBuffer(handle); }

}  // namespace

int32_t ReadPixel(int32_t x, int32_t y, int32_t buffer) {
  Canvas* canvas = graphics::bufferOrCurrent(buffer);
  return canvas ? static_cast<int32_t>(canvas->getPixel(x, y)) : 0;
}

void WritePixel(int32_t x, int32_t y, int32_t argb, int32_t buffer) {
  if (Canvas* canvas = graphics::bufferOrCurrent(buffer)) canvas->setPixel(x, y, static_cast<uint32_t>(argb));
}

int32_t ReadPixelFast(int32_t x, int32_t y, int32_t buffer) {
  Canvas* canvas = uncheckedBuffer(buffer);
  return canvas ? static_cast<int32_t>(canvas->getPixelFast(x, y)) : 0;
}

void WritePixelFast(int32_t x, int32_t y, int32_t argb, int32_t buffer) {
  if (Canvas* canvas = uncheckedBuffer(buffer)) canvas->setPixelFast(x, y, static_cast<uint32_t>(argb));
}

void CopyPixel(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY, int32_t destBuffer) {
  Canvas* source = uncheckedBuffer(srcBuffer);
  Canvas* dest = uncheckedBuffer(destBuffer);
  if (source && dest) dest->copyPixel(destX, destY, *source, srcX, srcY);
}

void CopyPixelFast(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY, int32_t destBuffer) {
  Canvas* source = uncheckedBuffer(srcBuffer);
  Canvas* dest = uncheckedBuffer(destBuffer);
  if (source && dest) dest->copyPixelFast(destX, destY, *source, srcX, srcY);
}

}  // namespace korva::graphics
