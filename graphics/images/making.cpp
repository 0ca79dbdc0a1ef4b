// Images made from files, from nothing and from other images; freed, saved, grabbed from
// the current buffer, and their frames handed out as buffers.
#include <algorithm>
#include <climits>

#include "render/display/graphics_device.h"
#include "graphics/images/image_commands.h"
#include "basic/strings.h"
#include "graphics/images/private/image_set.h"
#include "render/imagefile/image_file.h"
#include "graphics/module/graphics_state.h"
#include "core/errors.h"

namespace korva::graphics {
namespace {

using namespace graphics;

// A source coordinate for blit. Past this it lies outside every canvas anyway, and blit
// adds the size to it in 64 bits.
int clampCoordinate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); }

// The picture's cells from cell `first` on, left to right and top to bottom; a partial cell
// at the right or bottom edge is never read. Empty when a canvas cannot be made.
std::vector<Canvas*> sliceCells(Canvas& sheet, int cellW, int cellH, int first, int count) {
  const int across = sheet.width() / cellW;
  int x = first % across * cellW, y = first / across * cellH;
  std::vector<Canvas*> frames;
  frames.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    Canvas* frame = newFrame(cellW, cellH);
    if (!frame) {
      discard(frames);
      return {};
    }
    frame->blit(0, 0, sheet, x, y, cellW, cellH, true);
    frames.push_back(frame);
    x += cellW;
    if (sheet.width() < x + cellW) {
      x = 0;
      y += cellH;
    }
  }
  return frames;
}

}  // namespace

int32_t LoadImage(vxStr* file) {
  const std::string name = takeText(file);
  Canvas* picture = device() ? device()->loadCanvas(name, 0) : nullptr;
  if (!picture) return 0;
  if (graphics::state().autoMidHandle) picture->setHandle(picture->width() / 2, picture->height() / 2);
  return addImage({picture});
}

int32_t LoadAnimImage(vxStr* file, int32_t cellWidth, int32_t cellHeight, int32_t first, int32_t count) {
  const std::string name = takeText(file);
  if (count <= 0) raiseRuntimeError("Illegal frame count");
  if (first < 0) raiseRuntimeError("Illegal first frame");
  // Cells of no size would slice nothing and divide by zero.
  if (cellWidth < 1 || cellHeight < 1) raiseRuntimeError("Illegal cell size");
  Canvas* sheet = device() ? device()->loadCanvas(name, Canvas::kSystemMemory) : nullptr;
  if (!sheet) return 0;
  const int64_t cells = int64_t(sheet->width() / cellWidth) * (sheet->height() / cellHeight);
  if (cells < int64_t(first) + count) {
    graphics::freeBufferCanvas(sheet);
    raiseRuntimeError("Not enough frames in bitmap");
  }
  std::vector<Canvas*> frames = sliceCells(*sheet, cellWidth, cellHeight, first, count);
  graphics::freeBufferCanvas(sheet);
  return frames.empty() ? 0 : addImage(std::move(frames));
}

int32_t CreateImage(int32_t width, int32_t height, int32_t frames) {
  // An image always has a frame 0 to take its size and handle from.
  if (frames < 1) raiseRuntimeError("Illegal frame count");
  std::vector<Canvas*> made;
  made.reserve(static_cast<size_t>(std::min(frames, 4096)));
  for (int32_t i = 0; i < frames; ++i) {
    Canvas* frame = newFrame(width, height);
    if (!frame) {
      discard(made);
      return 0;
    }
    made.push_back(frame);
  }
  return addImage(std::move(made));
}

int32_t CopyImage(int32_t image) {
  Image* source = checkedImage(image);
  if (!source || !device()) return 0;
  std::vector<Canvas*> copies;
  for (Canvas* frame : source->frames) {
    Canvas* copy = device()->createCanvas(frame->width(), frame->height(), 0);
    if (!copy) {
      discard(copies);
      return 0;
    }
    const int hx = frame->handleX(), hy = frame->handleY();
    frame->setHandle(0, 0);
    copy->blit(0, 0, *frame, 0, 0, frame->width(), frame->height(), true);
    frame->setHandle(hx, hy);
    copy->setHandle(hx, hy);
    copy->setMaskColor(frame->maskColor());
    copies.push_back(copy);
  }
  return addImage(std::move(copies));
}

void FreeImage(int32_t image) { freeImage(image); }

int32_t SaveImage(int32_t image, vxStr* file, int32_t frame) {
  const std::string name = takeText(file);
  Canvas* canvas = checkedFrame(image, frame);
  return canvas && saveBmp(*canvas, name) ? 1 : 0;
}

void GrabImage(int32_t image, int32_t x, int32_t y, int32_t frame) {
  Canvas* target = checkedFrame(image, frame);
  Canvas* buffer = currentBuffer();
  if (!target || !buffer) return;
  // Exactly what DrawImage at (x, y) would cover.
  const int sx = clampCoordinate(int64_t(x) + buffer->originX() - target->handleX());
  const int sy = clampCoordinate(int64_t(y) + buffer->originY() - target->handleY());
  target->setViewport(0, 0, target->width(), target->height());
  // blit adds the target's origin and subtracts the buffer's handle; neither belongs here.
  // The two may be one canvas (a grab into the current buffer's own frame).
  const int ox = target->originX(), oy = target->originY();
  const int hx = buffer->handleX(), hy = buffer->handleY();
  target->setOrigin(0, 0);
  buffer->setHandle(0, 0);
  target->blit(0, 0, *buffer, sx, sy, target->width(), target->height(), true);
  buffer->setHandle(hx, hy);
  target->setOrigin(ox, oy);
}

int32_t ImageBuffer(int32_t image, int32_t frame) { return graphics::bufferHandle(checkedFrame(image, frame)); }

}  // namespace korva::graphics
