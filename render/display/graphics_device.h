// The graphics device: what exists while graphics are open. It holds the front and back
// buffers, the default font and every canvas and font made through it; they all die with
// it, so a mode change frees every image and font of the previous mode.
//
// Only the runtime window makes and destroys devices (openGraphics / closeGraphics); a
// device without a flip callback (tests, tools) works the same except that flip shows
// nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "render/canvas/canvas.h"

namespace korva {

class Font;

// The display's refresh, from which vertical blanks and scan lines are timed.
struct DisplayTiming {
  int refreshRate = 60;  // Hz; 0 or less means 60
  int lines = 0;         // visible scan lines of the display mode; 0: the graphics height
};

class GraphicsDevice {
 public:
  // Shows the back buffer (the window's presentation); wait: for the vertical blank.
  using FlipFn = std::function<void(bool wait)>;
  // Reads a picture file into a surface of its own size in the given layout (converted),
  // system memory when asked; null when the file cannot be read.
  using PictureLoader = std::unique_ptr<Surface> (*)(const std::string& fileName, const PixelLayout& layout,
                                                     bool systemMemory);
  // Process-wide; null (the default) makes every loadCanvas fail.
  static void setPictureLoader(PictureLoader loader);

  // Front and back buffers of width x height in the layout: one surface for both when
  // sharedBuffers (the windowed states), two when not (a flipping pair). Null when the
  // surfaces or the default font cannot be made.
  static std::unique_ptr<GraphicsDevice> create(FlipFn flip, int width, int height,
                                                const PixelLayout& layout, bool sharedBuffers,
                                                DisplayTiming timing = {});
  ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  Canvas* frontBuffer() const { return front_.get(); }
  Canvas* backBuffer() const { return back_.get(); }
  Font* defaultFont() const { return defaultFont_; }
  const PixelLayout& layout() const { return layout_; }
  int width() const { return front_->width(); }
  int height() const { return front_->height(); }
  int depth() const { return front_->format().depth; }

  // Blocks until the next vertical blank of the display.
  void waitVBlank();
  // Shows the back buffer (through the window).
  void flip(bool wait);
  // Where the display's beam is: 0 .. lines - 1, or lines and above in the blank.
  int scanLine() const;
  // Bytes, capped at 2^31 - 1: canvases live in main memory, so these are the machine's
  // physical memory and how much of it is free.
  int totalVidMem() const;
  int availVidMem() const;

  // A canvas of the display's format, cleared; flags 0, or Canvas::kSystemMemory. Null
  // when it cannot be made (a size that is not positive or far too large).
  Canvas* createCanvas(int width, int height, uint32_t flags);
  // A picture file as a canvas of its own size (not cleared); null when unreadable.
  Canvas* loadCanvas(const std::string& fileName, uint32_t flags);
  // The canvas when it is live here or is the front or back buffer; null for anything else.
  // Nothing is read through the pointer.
  Canvas* verifyCanvas(const Canvas* canvas) const;
  // Frees a live canvas; any other value (the buffers included) is ignored.
  void freeCanvas(Canvas* canvas);
  size_t liveCanvases() const { return canvases_.size(); }

  // Around a full-screen suspension: every canvas keeps a copy of itself, and gets it back.
  void suspend();
  void resume();

  // flags: bit 0 bold, bit 1 italic, bit 2 underline. Null when the font cannot be made.
  Font* loadFont(const std::string& name, int height, int flags);
  Font* verifyFont(const Font* font) const;
  // Frees a live font. Canvases that used it take the default font (none when the default
  // font itself is freed: they then draw no text).
  void freeFont(Font* font);
  size_t liveFonts() const { return fonts_.size(); }

  // Font files offered to the font system while loading fonts; withdrawn with the device.
  void addFontFile(const std::string& fileName) { fontFiles_.insert(fileName); }
  const std::set<std::string>& fontFiles() const { return fontFiles_; }

 private:
  GraphicsDevice() = default;

  FlipFn flip_;
  PixelLayout layout_;
  DisplayTiming timing_;
  int64_t epochNs_ = 0;
  std::unique_ptr<Canvas> front_, back_;
  Font* defaultFont_ = nullptr;
  std::unordered_map<const Font*, std::unique_ptr<Font>> fonts_;
  std::unordered_map<const Canvas*, std::unique_ptr<Canvas>> canvases_;
  std::set<std::string> fontFiles_;
};

}  // namespace korva
