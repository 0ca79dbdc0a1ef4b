// A block of pixels in host memory with its pixel format: what every canvas draws on.
// Surfaces stand alone (no window, no SDL), so tests and tools can make them freely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "render/canvas/pixel_format.h"

namespace korva {

class Surface {
 public:
  // All live surfaces together hold at most this many bytes of pixels: a program that asks
  // for a huge image, or thousands of frames, gets the soft failure of running out of video
  // memory instead of taking the machine's memory. It is far more than any screen set and
  // picture collection of a 2D game needs.
  static constexpr size_t kPixelBudget = size_t{256} << 20;
  static size_t pixelBytesInUse();

  // Null when the layout is not a valid 16, 24 or 32-bit one, the size is not positive or
  // too large, or the pixel budget would be exceeded. Display surfaces can be lost on a full-screen suspension; system-memory ones
  // (backups, pictures loaded for later conversion) never are.
  static std::unique_ptr<Surface> create(int width, int height, const PixelLayout& layout,
                                         bool systemMemory = false);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  int pitch() const { return pitch_; }
  const PixelFormat& format() const { return format_; }
  bool systemMemory() const { return systemMemory_; }

  // Pixel memory, whether locked or not (the fill and copy loops work on it directly).
  uint8_t* pixels() { return pixels_; }
  const uint8_t* pixels() const { return pixels_; }
  uint8_t* row(int y) { return pixels_ + static_cast<ptrdiff_t>(y) * pitch_; }
  const uint8_t* row(int y) const { return pixels_ + static_cast<ptrdiff_t>(y) * pitch_; }

  // A lost surface refuses locks, fills and copies until it is restored; its contents are
  // then undefined (we keep them, but callers restore from a backup).
  bool lost() const { return lost_; }
  void markLost() { if (!systemMemory_) lost_ = true; }
  void restore() { lost_ = false; }

  // Null while lost; locks nest.
  uint8_t* lock();
  void unlock();
  int lockCount() const { return locks_; }

 private:
  Surface() = default;
  int width_ = 0, height_ = 0, pitch_ = 0;
  PixelFormat format_;
  uint8_t* pixels_ = nullptr;
  size_t charge_ = 0;  // taken from the pixel budget
  bool systemMemory_ = false;
  bool lost_ = false;
  int locks_ = 0;
};

}  // namespace korva
