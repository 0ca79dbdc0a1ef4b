#include "graphics/images/private/image_set.h"

#include <algorithm>
#include <map>
#include <memory>

#include "basic/strings.h"
#include "render/display/graphics_device.h"
#include "graphics/images/image_commands.h"
#include "graphics/module/graphics_state.h"
#include "core/errors.h"
#include "core/handles.h"

namespace korva::graphics {
namespace {

// Owns the live images, oldest handle first: the freeing step frees them in that order.
std::map<uint32_t, std::unique_ptr<Image>> g_images;

}  // namespace

int32_t addImage(std::vector<Canvas*> frames) {
  auto image = std::make_unique<Image>();
  image->frames = std::move(frames);
  const uint32_t handle = Handles::add(HandleKind::Image, image.get());
  g_images.emplace(handle, std::move(image));
  return static_cast<int32_t>(handle);
}

Image* findImage(int32_t handle) { return Handles::get<Image>(static_cast<uint32_t>(handle), HandleKind::Image); }

Image* checkedImage(int32_t handle, int32_t frame) {
  Image* image = findImage(handle);
  if (!image) {
    if (debugFlag()) raiseRuntimeError("Image does not exist");
    return nullptr;
  }
  if (static_cast<uint32_t>(frame) >= image->frames.size()) {
    if (debugFlag()) raiseRuntimeError("Image frame out of range");
    return nullptr;
  }
  return image;
}

Canvas* checkedFrame(int32_t handle, int32_t frame) {
  Image* image = checkedImage(handle, frame);
  return image ? image->frames[static_cast<uint32_t>(frame)] : nullptr;
}

void freeImage(int32_t handle) {
  auto it = g_images.find(static_cast<uint32_t>(handle));
  if (it == g_images.end()) return;
  std::unique_ptr<Image> image = std::move(it->second);
  g_images.erase(it);
  Handles::remove(static_cast<uint32_t>(handle));
  // Without a device the frames already went with it; only the record is left to drop.
  if (!device()) return;
  leaveFrames(*image);
  for (Canvas* frame : image->frames) graphics::freeBufferCanvas(frame);
}

void freeAll() {
  while (!g_images.empty()) freeImage(static_cast<int32_t>(g_images.begin()->first));
}

GraphicsDevice* device() { return graphics::state().device; }
Canvas* currentBuffer() { return graphics::state().buffer; }

Canvas* newFrame(int width, int height) {
  GraphicsDevice* d = device();
  Canvas* frame = d ? d->createCanvas(width, height, 0) : nullptr;
  if (frame && graphics::state().autoMidHandle) frame->setHandle(frame->width() / 2, frame->height() / 2);
  return frame;
}

void discard(const std::vector<Canvas*>& canvases) {
  for (Canvas* canvas : canvases) graphics::freeBufferCanvas(canvas);
}

void leaveFrames(const Image& image) {
  Canvas* current = currentBuffer();
  if (current && device() && std::find(image.frames.begin(), image.frames.end(), current) != image.frames.end())
    graphics::makeCurrent(*device()->frontBuffer());
}

}  // namespace korva::graphics

namespace korva::graphics {

void freeAllImages() { graphics::freeAll(); }

}  // namespace korva::graphics
