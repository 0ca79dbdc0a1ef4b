#include "render/display/graphics_device.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "render/fonts/font.h"
#include "render/fonts/private/face_source.h"

namespace korva {

namespace {

GraphicsDevice::PictureLoader g_pictureLoader = nullptr;

int64_t nowNs() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

int clampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, INT_MAX)); }

}  // namespace

void GraphicsDevice::setPictureLoader(PictureLoader loader) { g_pictureLoader = loader; }

std::unique_ptr<GraphicsDevice> GraphicsDevice::create(FlipFn flip, int width, int height,
                                                       const PixelLayout& layout, bool sharedBuffers,
                                                       DisplayTiming timing) {
  std::shared_ptr<Surface> front = Surface::create(width, height, layout);
  if (!front) return nullptr;
  std::shared_ptr<Surface> back = sharedBuffers ? front : Surface::create(width, height, layout);
  if (!back) return nullptr;
  installTextDrawing();
  std::unique_ptr<GraphicsDevice> device(new GraphicsDevice);
  device->flip_ = std::move(flip);
  device->layout_ = layout;
  if (timing.refreshRate <= 0) timing.refreshRate = 60;
  if (timing.lines <= 0) timing.lines = height;
  device->timing_ = timing;
  device->epochNs_ = nowNs();
  device->front_ = std::make_unique<Canvas>(device.get(), front, 0);
  device->back_ = std::make_unique<Canvas>(device.get(), back, 0);
  device->front_->cls();
  device->back_->cls();
  device->defaultFont_ = device->loadFont("courier", 12, 0);
  if (!device->defaultFont_) return nullptr;
  device->front_->setFont(device->defaultFont_);
  device->back_->setFont(device->defaultFont_);
  return device;
}

GraphicsDevice::~GraphicsDevice() {
  // Fonts first: each frees its own canvases through this device.
  while (!fonts_.empty()) fonts_.erase(fonts_.begin());
  defaultFont_ = nullptr;
  canvases_.clear();
  if (!fontFiles_.empty()) fonts::withdrawFontFiles();
  fontFiles_.clear();
  back_.reset();
  front_.reset();
}

void GraphicsDevice::waitVBlank() {
  const int64_t period = 1'000'000'000LL / timing_.refreshRate;
  const int64_t elapsed = nowNs() - epochNs_;
  const int64_t next = (elapsed / period + 1) * period;
  std::this_thread::sleep_for(std::chrono::nanoseconds(next - elapsed));
}

void GraphicsDevice::flip(bool wait) {
  if (flip_) flip_(wait);
}

int GraphicsDevice::scanLine() const {
  // A frame of the visible lines plus a blank of about one line in twenty.
  const int64_t period = 1'000'000'000LL / timing_.refreshRate;
  const int64_t total = timing_.lines + std::max(1, timing_.lines / 20);
  const int64_t phase = (nowNs() - epochNs_) % period;
  return static_cast<int>(phase * total / period);
}

int GraphicsDevice::totalVidMem() const {
  long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || size <= 0) return 0;
  return clampToInt(static_cast<long long>(pages) * size);
}

int GraphicsDevice::availVidMem() const {
  long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || size <= 0) return 0;
  return clampToInt(static_cast<long long>(pages) * size);
}

Canvas* GraphicsDevice::createCanvas(int width, int height, uint32_t flags) {
  auto canvas = Canvas::create(width, height, layout_, this, flags);
  if (!canvas) return nullptr;
  canvas->setFont(defaultFont_);
  canvas->cls();
  Canvas* raw = canvas.get();
  canvases_.emplace(raw, std::move(canvas));
  return raw;
}

Canvas* GraphicsDevice::loadCanvas(const std::string& fileName, uint32_t flags) {
  if (!g_pictureLoader) return nullptr;
  const bool systemMemory = (flags & Canvas::kSystemMemory) != 0;
  std::unique_ptr<Surface> picture = g_pictureLoader(fileName, layout_, systemMemory);
  if (!picture) return nullptr;
  std::unique_ptr<Canvas> canvas;
  if (picture->format().layout() == layout_ && picture->systemMemory() == systemMemory) {
    canvas = std::make_unique<Canvas>(this, std::move(picture), flags);
  } else {
    // A loader that did not convert: the picture is copied into the display's format.
    Canvas source(this, std::move(picture), 0);
    canvas = Canvas::create(source.width(), source.height(), layout_, this, flags);
    if (!canvas) return nullptr;
    canvas->blit(0, 0, source, 0, 0, source.width(), source.height(), true);
  }
  canvas->setFont(defaultFont_);
  Canvas* raw = canvas.get();
  canvases_.emplace(raw, std::move(canvas));
  return raw;
}

Canvas* GraphicsDevice::verifyCanvas(const Canvas* canvas) const {
  if (!canvas) return nullptr;
  if (canvas == front_.get() || canvas == back_.get()) return const_cast<Canvas*>(canvas);
  auto it = canvases_.find(canvas);
  return it == canvases_.end() ? nullptr : it->second.get();
}

void GraphicsDevice::freeCanvas(Canvas* canvas) {
  if (canvas) canvases_.erase(canvas);
}

void GraphicsDevice::suspend() {
  for (auto& [key, canvas] : canvases_) canvas->backup();
  if (&back_->surface() != &front_->surface()) back_->backup();
  front_->backup();
}

void GraphicsDevice::resume() {
  front_->restore();
  if (&back_->surface() != &front_->surface()) back_->restore();
  for (auto& [key, canvas] : canvases_) canvas->restore();
}

Font* GraphicsDevice::loadFont(const std::string& name, int height, int flags) {
  std::unique_ptr<Font> font = Font::load(*this, name, height, flags);
  if (!font) return nullptr;
  Font* raw = font.get();
  fonts_.emplace(raw, std::move(font));
  return raw;
}

Font* GraphicsDevice::verifyFont(const Font* font) const {
  if (!font) return nullptr;
  auto it = fonts_.find(font);
  return it == fonts_.end() ? nullptr : it->second.get();
}

void GraphicsDevice::freeFont(Font* font) {
  auto it = fonts_.find(font);
  if (it == fonts_.end()) return;
  std::unique_ptr<Font> owned = std::move(it->second);
  fonts_.erase(it);
  // No canvas keeps a font that is gone: those that had it take the default font.
  if (font == defaultFont_) defaultFont_ = nullptr;
  Font* replacement = defaultFont_;
  auto forget = [font, replacement](Canvas& c) {
    if (c.font() == font) c.setFont(replacement);
  };
  forget(*front_);
  forget(*back_);
  for (auto& [key, canvas] : canvases_) forget(*canvas);
  owned.reset();
}

}  // namespace korva
