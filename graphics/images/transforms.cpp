// Affine transforms of whole images: every frame is resampled about its handle point into
// a new canvas that takes its place, so buffer handles to the old frames die.
#include "render/display/graphics_device.h"
#include "graphics/images/image_commands.h"
#include "graphics/images/private/image_set.h"
#include "graphics/module/graphics_state.h"
#include "render/transform/affine_transform.h"
#include "core/errors.h"

namespace korva::graphics {
namespace {

using namespace graphics;

// All frames or none: a frame that cannot be made leaves the image as it was, so an image
// is never half transformed.
void transform(Image& image, const AffineMatrix& m) {
  GraphicsDevice* d = device();
  if (!d) return;
  leaveFrames(image);
  std::vector<Canvas*> made;
  made.reserve(image.frames.size());
  for (Canvas* frame : image.frames) {
    bool asked = false;
    Canvas* result = transformCanvas(*frame, m, graphics::state().transformFilter, [&](int w, int h) {
      asked = true;
      return d->createCanvas(w, h, 0);
    });
    if (!result) {
      discard(made);
      // The resampler refuses before making anything when the matrix is singular or not
      // finite, or the result would be empty or too large; a frame it cannot read (a lost
      // surface) it refuses the same way, and that is no fault of the program's.
      frame->lock();
      const bool readable = frame->pixels() != nullptr;
      frame->unlock();
      if (!asked && readable) raiseRuntimeError("Illegal image transform");
      return;
    }
    made.push_back(result);
  }
  for (size_t i = 0; i < made.size(); ++i) {
    graphics::freeBufferCanvas(image.frames[i]);
    image.frames[i] = made[i];
  }
}

void transform(int32_t image, const AffineMatrix& m) {
  if (Image* target = checkedImage(image)) transform(*target, m);
}

}  // namespace

void TFormImage(int32_t image, float a, float b, float c, float d) { transform(image, AffineMatrix{a, b, c, d}); }

void ScaleImage(int32_t image, float xScale, float yScale) { transform(image, AffineMatrix::scale(xScale, yScale)); }

void ResizeImage(int32_t image, float width, float height) {
  Image* target = checkedImage(image);
  if (!target) return;
  const Canvas& first = *target->frames[0];
  transform(*target, AffineMatrix::scale(width / float(first.width()), height / float(first.height())));
}

void RotateImage(int32_t image, float angle) { transform(image, AffineMatrix::rotation(angle)); }

void TFormFilter(int32_t enable) { graphics::state().transformFilter = enable != 0; }

}  // namespace korva::graphics
