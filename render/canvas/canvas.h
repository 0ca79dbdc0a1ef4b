// A canvas: a surface with the state needed to draw on it. Front and back buffers, image
// frames, font glyph sheets and work buffers are all canvases.
//
// Colours cross this interface as 32-bit ARGB; inside, the canvas keeps native pixel values
// of its surface. Drawing operations add the origin and clip to the viewport; the Fast pixel
// operations do neither and work only between lock() and unlock().
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "render/canvas/pixel_format.h"
#include "render/canvas/surface.h"

namespace korva {

class GraphicsDevice;  // window/drivers.h; the canvas only remembers its owner
class Font;            // fonts come with the graphics device
class Canvas;

// Right and bottom are exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return left >= right || top >= bottom; }
  bool operator==(const Rect&) const = default;
};

// Draws text for Canvas::text. The font code installs one; until then text draws nothing.
// It is expected to clip to the canvas's viewport and to finish with a masked blit, which
// advances the stamp and keeps the collision mask up to date.
class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  virtual void drawText(Canvas& canvas, Font* font, int x, int y, std::string_view text) = 0;
};
void setTextRenderer(TextRenderer* renderer);

class Canvas {
 public:
  // Creation flag of the system-memory canvas into which animation strips are loaded.
  static constexpr uint32_t kSystemMemory = 0x2000;

  // The canvas holds the surface, which must not be null; two canvases may share one (the
  // windowed front and back buffers). Mask colour 0, colour white, clear colour opaque
  // black, origin and handle (0, 0), viewport the whole surface; no font until the owner
  // gives it its default one with setFont.
  Canvas(GraphicsDevice* device, std::shared_ptr<Surface> surface, uint32_t flags = 0);
  // A canvas on a fresh surface; null when the surface cannot be made.
  static std::unique_ptr<Canvas> create(int width, int height, const PixelLayout& layout,
                                        GraphicsDevice* device = nullptr, uint32_t flags = 0);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  uint32_t flags() const { return flags_; }
  GraphicsDevice* device() const { return device_; }
  Surface& surface() { return *surface_; }
  const Surface& surface() const { return *surface_; }
  const PixelFormat& format() const { return surface_->format(); }
  int width() const { return bounds_.right; }
  int height() const { return bounds_.bottom; }

  // Counted: only the outermost pair touches the surface. pixels() and pitch() are valid
  // while locked; pixels() is null when the surface could not be locked (lost).
  void lock();
  void unlock();
  int lockCount() const { return lockCount_; }
  uint8_t* pixels() const { return pixels_; }
  int pitch() const { return pitch_; }

  void setOrigin(int x, int y) { originX_ = x, originY_ = y; }
  int originX() const { return originX_; }
  int originY() const { return originY_; }
  void setHandle(int x, int y) { handleX_ = x, handleY_ = y; }
  int handleX() const { return handleX_; }
  int handleY() const { return handleY_; }
  // Clipped to the surface; a rectangle that misses it leaves an empty viewport.
  void setViewport(int x, int y, int width, int height);
  Rect viewport() const { return viewport_; }

  void setColor(uint32_t argb);
  uint32_t color() const { return format().toARGB(color_); }
  uint32_t nativeColor() const { return color_; }
  // The drawing colour in GDI's order: red in bits 7-0, green 15-8, blue 23-16.
  uint32_t colorRef() const { return colorRef_; }
  void setClsColor(uint32_t argb) { clsColor_ = format().toNative(argb | 0xFF000000u); }
  uint32_t clsColor() const { return format().toARGB(clsColor_); }
  // Alpha is kept as given. An existing collision mask is not rebuilt.
  void setMaskColor(uint32_t argb) { maskColor_ = format().toNative(argb); }
  uint32_t maskColor() const { return format().toARGB(maskColor_); }
  uint32_t nativeMaskColor() const { return maskColor_; }

  void setFont(Font* font) { font_ = font; }
  Font* font() const { return font_; }

  void cls();
  void plot(int x, int y);
  // GDI's rules: the end point is not drawn and a line from a point to itself draws nothing.
  void line(int x1, int y1, int x2, int y2);
  void rect(int x, int y, int width, int height, bool solid);
  void oval(int x, int y, int width, int height, bool solid);
  void text(int x, int y, std::string_view text);
  // Copies a rectangle of source (placed at its handle) to (x, y); source pixels equal to
  // the source's mask colour are skipped unless solid. False when nothing is left after
  // clipping to this viewport and to the source surface.
  bool blit(int x, int y, const Canvas& source, int sx, int sy, int width, int height, bool solid);

  void setPixel(int x, int y, uint32_t argb);
  uint32_t getPixel(int x, int y);
  // No origin, no viewport, no locking; ignored (getPixelFast returns the mask colour)
  // when the canvas is not locked or the point is outside the surface.
  void setPixelFast(int x, int y, uint32_t argb);
  uint32_t getPixelFast(int x, int y) const;
  // Raw bytes (this canvas's pixel size); neither advances the stamp.
  void copyPixel(int dx, int dy, Canvas& source, int sx, int sy);
  void copyPixelFast(int dx, int dy, const Canvas& source, int sx, int sy);

  // Overlap tests at the given positions less the handles; pixel-exact unless boundsOnly.
  bool collide(int x1, int y1, Canvas& other, int x2, int y2, bool boundsOnly);
  bool rectCollide(int x, int y, int rx, int ry, int rw, int rh, bool boundsOnly);
  // One bit per pixel, most significant bit leftmost; null until a pixel-exact test.
  const uint32_t* collisionMask() const { return mask_.empty() ? nullptr : mask_.data(); }
  // Rebuilds a collision mask that exists (after a new mask colour); makes none.
  void refreshCollisionMask() {
    if (!mask_.empty()) buildMask();
  }
  int maskWordsPerRow() const { return wordsPerRow_; }

  // Keeps a system-memory copy over a full-screen suspension (not needed, and not made,
  // for a surface that already lives in system memory), and puts it back.
  void backup();
  void restore();
  bool hasBackup() const { return backup_ != nullptr; }

  // A page flip: the two canvases trade surfaces and keep the rest of their state. Both
  // surfaces must have the same size and format; collision masks follow the new pixels.
  // False (nothing done) when either canvas is locked or the surfaces do not match.
  bool swapSurfaces(Canvas& other);

  // Advanced once by every drawing operation; read by the presentation timer from its own
  // thread, so it is atomic (relaxed: a stale value only delays one repaint).
  uint32_t stamp() const { return stamp_.load(std::memory_order_relaxed); }
  void setStamp(uint32_t s) { stamp_.store(s, std::memory_order_relaxed); }

  // Live canvases and the colour of the one pen they share (GDI order); the pen is white
  // again whenever the first canvas after none is made.
  static int liveCount();
  static uint32_t sharedPenColor();

 private:
  void advance() { stamp_.store(stamp_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }
  // Clips (l, t, r, b) to the viewport and fills what is left; false when nothing is.
  bool fillInViewport(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t native);
  uint8_t* address(int x, int y) const;
  bool insideSurface(int x, int y) const { return x >= 0 && y >= 0 && x < bounds_.right && y < bounds_.bottom; }
  void ovalOutline(const Rect& b, float cx, float cy, float ry, float ratio, bool cutTop, bool cutBottom);

  void buildMask();
  void updateMask(const Rect& r);
  void maskWords(int y, int firstWord, int lastWord);

  uint32_t flags_;
  GraphicsDevice* device_;
  std::shared_ptr<Surface> surface_;
  std::atomic<uint32_t> stamp_{0};
  std::unique_ptr<Surface> backup_;
  int pitch_ = 0;
  int lockCount_ = 0;
  uint32_t stampAtLock_ = 0;
  uint8_t* pixels_ = nullptr;
  int wordsPerRow_ = 0;
  std::vector<uint32_t> mask_;
  Rect bounds_;
  Font* font_ = nullptr;
  Rect viewport_;
  int originX_ = 0, originY_ = 0;
  int handleX_ = 0, handleY_ = 0;
  uint32_t maskColor_ = 0;
  uint32_t color_ = 0;
  uint32_t colorRef_ = 0;
  uint32_t clsColor_ = 0;
};

}  // namespace korva
