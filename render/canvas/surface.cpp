#include "render/canvas/surface.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace korva {

namespace {
// Large enough for any screen or picture; keeps pitch * height well inside ptrdiff_t.
constexpr int kMaxSide = 1 << 15;
constexpr size_t kAlign = 64;

std::atomic<size_t> g_pixelBytes{0};

// Reserves bytes from the budget, or refuses without reserving anything.
bool reserve(size_t bytes) {
  size_t now = g_pixelBytes.load();
  do {
    if (bytes > Surface::kPixelBudget - now) return false;
  } while (!g_pixelBytes.compare_exchange_weak(now, now + bytes));
  return true;
}
}  // namespace

size_t Surface::pixelBytesInUse() { return g_pixelBytes.load(); }

std::unique_ptr<Surface> Surface::create(int width, int height, const PixelLayout& layout,
                                         bool systemMemory) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || !layout.valid()) return nullptr;
  std::unique_ptr<Surface> s(new Surface);
  s->width_ = width;
  s->height_ = height;
  s->format_.set(layout);
  // Rows start on 16-byte boundaries so the vector loops begin aligned on the left edge.
  s->pitch_ = (width * s->format_.bytesPerPixel + 15) & ~15;
  size_t bytes = static_cast<size_t>(s->pitch_) * height;
  // Tiny surfaces count as a page, so the budget also bounds how many there can be.
  const size_t charge = std::max<size_t>(bytes, 4096);
  if (!reserve(charge)) return nullptr;
  s->pixels_ = static_cast<uint8_t*>(std::aligned_alloc(kAlign, (bytes + kAlign - 1) & ~(kAlign - 1)));
  if (!s->pixels_) {
    g_pixelBytes -= charge;
    return nullptr;
  }
  s->charge_ = charge;
  std::memset(s->pixels_, 0, bytes);
  s->systemMemory_ = systemMemory;
  return s;
}

Surface::~Surface() {
  std::free(pixels_);
  g_pixelBytes -= charge_;
}

uint8_t* Surface::lock() {
  ++locks_;
  return lost_ ? nullptr : pixels_;
}

void Surface::unlock() {
  if (locks_ > 0) --locks_;
}

}  // namespace korva
