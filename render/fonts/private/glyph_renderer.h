// One face at one pixel height, rendering monochrome glyphs into atlas cells.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "render/fonts/private/face_source.h"

namespace korva {
class Canvas;
}

namespace korva::fonts {

// The Unicode character of a Windows-1252 byte (undefined bytes keep their own value).
uint32_t unicodeOf(uint8_t code);

// The cell height and the ascent (baseline below the cell top) for a requested height, and
// the em size to render at, in 1/64 pixel; false for a height that is refused.
struct CellMetrics {
  int height = 0, ascent = 0;
  long emSize64 = 0;
};
bool cellMetrics(int requested, int unitsPerEm, int ascender, int descender, CellMetrics& out);

class GlyphRenderer {
 public:
  // Null when the face cannot be opened or set to the height.
  static std::unique_ptr<GlyphRenderer> open(const FaceSource& source, int height, int flags);
  ~GlyphRenderer();
  GlyphRenderer(const GlyphRenderer&) = delete;
  GlyphRenderer& operator=(const GlyphRenderer&) = delete;

  int cellHeight() const { return metrics_.height; }
  std::string family() const;
  // The range of codes the face has glyphs for (32 .. 255 at most), and its default.
  int first() const { return first_; }
  int last() const { return last_; }
  int defaultChar() const { return first_; }

  // Advance width in whole pixels.
  int advance(uint8_t code);
  // Draws the glyph white into the cell (x, y, width, cell height) of a locked canvas,
  // clipped to the cell; underlined when asked.
  void render(uint8_t code, Canvas& canvas, int x, int y, int width);

 private:
  GlyphRenderer() = default;
  bool load(uint8_t code);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  CellMetrics metrics_;
  int first_ = 32, last_ = 255;
  int flags_ = 0;
};

}  // namespace korva::fonts
