// Canvas state, locking, pixel access, blits and backups.
#include <cstring>
#include <utility>

#include "render/canvas/private/blitter.h"
#include "render/canvas/canvas.h"
#include "render/canvas/private/canvas_internal.h"

namespace korva {

namespace {

// GDI drew lines with one pen shared by all canvases; we draw them ourselves, so all that
// is left of it is its colour and the count of canvases that keep it alive.
int liveCanvases = 0;
uint32_t penColor = 0xFFFFFF;
TextRenderer* textRenderer = nullptr;

}  // namespace

void usePen(uint32_t colorRef) { penColor = colorRef; }
void setTextRenderer(TextRenderer* renderer) { textRenderer = renderer; }
int Canvas::liveCount() { return liveCanvases; }
uint32_t Canvas::sharedPenColor() { return penColor; }

Canvas::Canvas(GraphicsDevice* device, std::shared_ptr<Surface> surface, uint32_t flags)
    : flags_(flags), device_(device), surface_(std::move(surface)) {
  bounds_ = Rect{0, 0, surface_->width(), surface_->height()};
  wordsPerRow_ = (bounds_.right + 31) / 32;
  maskColor_ = format().toNative(0);
  setColor(0xFFFFFFFF);
  clsColor_ = format().toNative(0xFF000000);
  viewport_ = bounds_;
  if (liveCanvases++ == 0) penColor = 0xFFFFFF;
}

std::unique_ptr<Canvas> Canvas::create(int width, int height, const PixelLayout& layout, GraphicsDevice* device,
                                       uint32_t flags) {
  auto surface = Surface::create(width, height, layout, (flags & kSystemMemory) != 0);
  if (!surface) return nullptr;
  return std::make_unique<Canvas>(device, std::move(surface), flags);
}

Canvas::~Canvas() {
  --liveCanvases;
  if (lockCount_ > 0) surface_->unlock();
}

void Canvas::lock() {
  if (++lockCount_ != 1) return;
  pixels_ = surface_->lock();
  pitch_ = surface_->pitch();
  stampAtLock_ = stamp();
}

void Canvas::unlock() {
  if (lockCount_ == 0) return;
  if (--lockCount_ > 0) return;
  // Pixels written while locked (setPixelFast) reach the mask here, all at once.
  if (stamp() != stampAtLock_ && !mask_.empty()) buildMask();
  surface_->unlock();
  pixels_ = nullptr;
}

void Canvas::setViewport(int x, int y, int width, int height) {
  if (!clip(ClipBox{x, y, int64_t(x) + width, int64_t(y) + height}, bounds_, viewport_)) viewport_ = Rect{};
}

void Canvas::setColor(uint32_t argb) {
  color_ = format().toNative(argb | 0xFF000000u);
  colorRef_ = (argb & 0xFF) << 16 | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
}

void Canvas::text(int x, int y, std::string_view text) {
  if (textRenderer) textRenderer->drawText(*this, font_, x, y, text);
}

uint8_t* Canvas::address(int x, int y) const {
  return pixels_ + static_cast<ptrdiff_t>(y) * pitch_ + static_cast<ptrdiff_t>(x) * format().bytesPerPixel;
}

// A pixel inside the viewport after adding the origin, as surface coordinates.
static bool inViewport(const Rect& v, int64_t x, int64_t y) {
  return x >= v.left && x < v.right && y >= v.top && y < v.bottom;
}

void Canvas::setPixel(int x, int y, uint32_t argb) {
  int64_t px = int64_t(x) + originX_, py = int64_t(y) + originY_;
  if (!inViewport(viewport_, px, py)) return;
  lock();
  if (pixels_) format().write(address(int(px), int(py)), argb);
  advance();
  unlock();
}

uint32_t Canvas::getPixel(int x, int y) {
  int64_t px = int64_t(x) + originX_, py = int64_t(y) + originY_;
  uint32_t v = format().toARGB(maskColor_);
  if (!inViewport(viewport_, px, py)) return v;
  lock();
  if (pixels_) v = format().read(address(int(px), int(py)));
  unlock();
  return v;
}

void Canvas::setPixelFast(int x, int y, uint32_t argb) {
  if (!pixels_ || !insideSurface(x, y)) return;
  format().write(address(x, y), argb);
  advance();
}

uint32_t Canvas::getPixelFast(int x, int y) const {
  if (!pixels_ || !insideSurface(x, y)) return format().toARGB(maskColor_);
  return format().read(address(x, y));
}

// The raw bytes when both canvases store pixels alike; otherwise the colour, converted, so
// that a pixel is never read past the end of a smaller source pixel.
static void copyOnePixel(const PixelFormat& df, uint8_t* d, const PixelFormat& sf, const uint8_t* s) {
  if (df.layout() == sf.layout())
    std::memcpy(d, s, df.bytesPerPixel);
  else
    df.write(d, sf.read(s));
}

void Canvas::copyPixel(int dx, int dy, Canvas& source, int sx, int sy) {
  int64_t px = int64_t(dx) + originX_, py = int64_t(dy) + originY_;
  int64_t qx = int64_t(sx) + source.originX_, qy = int64_t(sy) + source.originY_;
  if (!inViewport(viewport_, px, py) || !inViewport(source.viewport_, qx, qy)) return;
  lock();
  source.lock();
  if (pixels_ && source.pixels_)
    copyOnePixel(format(), address(int(px), int(py)), source.format(), source.address(int(qx), int(qy)));
  source.unlock();
  unlock();
}

void Canvas::copyPixelFast(int dx, int dy, const Canvas& source, int sx, int sy) {
  if (!pixels_ || !source.pixels_ || !insideSurface(dx, dy) || !source.insideSurface(sx, sy)) return;
  copyOnePixel(format(), address(dx, dy), source.format(), source.address(sx, sy));
}

bool Canvas::blit(int x, int y, const Canvas& source, int sx, int sy, int width, int height, bool solid) {
  ClipBox d{int64_t(x) + originX_ - source.handleX_, int64_t(y) + originY_ - source.handleY_, 0, 0};
  d.right = d.left + width;
  d.bottom = d.top + height;
  ClipBox s{sx, sy, int64_t(sx) + width, int64_t(sy) + height};
  // Whatever one clip cuts from an edge of one rectangle is cut from the same edge of the other.
  auto cut = [](ClipBox& a, ClipBox& b, const Rect& to) {
    if (a.empty()) return false;
    if (int64_t n = to.left - a.left; n > 0) a.left += n, b.left += n;
    if (int64_t n = to.top - a.top; n > 0) a.top += n, b.top += n;
    if (int64_t n = a.right - to.right; n > 0) a.right -= n, b.right -= n;
    if (int64_t n = a.bottom - to.bottom; n > 0) a.bottom -= n, b.bottom -= n;
    return !a.empty();
  };
  if (!cut(d, s, viewport_) || !cut(s, d, source.bounds_)) return false;
  Rect r{int(d.left), int(d.top), int(d.right), int(d.bottom)};
  if (solid)
    blitter::copy(*surface_, r.left, r.top, *source.surface_, int(s.left), int(s.top), r.width(), r.height());
  else
    blitter::copyKeyed(*surface_, r.left, r.top, *source.surface_, int(s.left), int(s.top), r.width(), r.height(),
                       source.maskColor_);
  advance();
  updateMask(r);
  return true;
}

void Canvas::backup() {
  backup_.reset();
  if (surface_->systemMemory()) return;
  backup_ = Surface::create(bounds_.right, bounds_.bottom, format().layout(), true);
  if (backup_) blitter::copy(*backup_, 0, 0, *surface_, 0, 0, bounds_.right, bounds_.bottom);
}

bool Canvas::swapSurfaces(Canvas& other) {
  if (lockCount_ > 0 || other.lockCount_ > 0) return false;
  if (surface_->width() != other.surface_->width() || surface_->height() != other.surface_->height() ||
      !(format().layout() == other.format().layout()))
    return false;
  std::swap(surface_, other.surface_);
  if (!mask_.empty()) buildMask();
  if (!other.mask_.empty()) other.buildMask();
  return true;
}

void Canvas::restore() {
  surface_->restore();
  if (!backup_) return;
  blitter::copy(*surface_, 0, 0, *backup_, 0, 0, bounds_.right, bounds_.bottom);
  backup_.reset();
}

}  // namespace korva
