// Bitmap fonts: every character rendered once, white on black, into an atlas canvas when
// the font is made; drawing text then only blits (one blit per character into a one-line
// scratch canvas, one masked blit of that line onto the target).
//
// Faces are found with fontconfig; a name containing "." is a font file, loaded directly
// (the part before the first "." is the face looked up when the file cannot be read). When
// the system has no face of the asked family, "courier" (the default font) is served by a
// monospace face compiled into the run-time, so the default font always exists; other
// families take fontconfig's closest face, or the compiled-in one when there is none.
//
// Heights: a positive height is the cell height in pixels (ascent plus descent, as the
// face's own line metrics divide it); the face is scaled so that its ascent plus descent
// fills exactly that many pixels, and the font reports that height. A negative height is
// the em size in pixels, and the cell height reported is the face's ascent plus descent at
// that size. 0 asks for the default height, 12. Heights beyond 1024 pixels are refused.
//
// Character codes are bytes, read as Windows-1252; glyphs are monochrome (no smoothing).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

class Canvas;
class GraphicsDevice;

enum FontStyle : int { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

class Font {
 public:
  // The atlas and scratch canvases are made through the device (and so are among its live
  // canvases). Null when the font cannot be made.
  static std::unique_ptr<Font> load(GraphicsDevice& device, const std::string& name, int height, int flags);
  // Frees the atlas and scratch canvases through the device.
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  GraphicsDevice& device() const { return device_; }
  int height() const { return height_; }
  int first() const { return first_; }
  int end() const { return end_; }  // last character + 1
  int defaultChar() const { return default_; }
  // The face actually rendered.
  const std::string& family() const { return family_; }

  // A code outside first .. end - 1 counts as the default character.
  int charWidth(uint8_t code) const { return widths_[slot(code)]; }
  int64_t stringWidth(std::string_view text) const;
  struct Cell {
    int x = 0, y = 0;
  };
  Cell cell(uint8_t code) const { return cells_[slot(code)]; }
  Canvas& atlas() const { return *atlas_; }
  int scratchWidth() const;

  // Draws text at (x, y) of target in the colour (the target's origin applies and its
  // viewport clips; no clipping of the text itself). Pure black is drawn as 0x000010.
  void draw(Canvas& target, int x, int y, std::string_view text, uint32_t argb);

 private:
  explicit Font(GraphicsDevice& device) : device_(device) {}
  size_t slot(uint8_t code) const {
    int c = code < first_ || code >= end_ ? default_ : code;
    return static_cast<size_t>(c - first_);
  }

  GraphicsDevice& device_;
  Canvas* atlas_ = nullptr;
  Canvas* scratch_ = nullptr;
  int height_ = 0;
  int first_ = 0, end_ = 0, default_ = 0;
  std::string family_;
  std::vector<Cell> cells_;
  std::vector<int> widths_;
};

// The canvas text operation: the line at (x, y) in the canvas's colour with the given font,
// clipped to the canvas's viewport. Characters wholly left of the viewport are skipped (the
// first one kept is drawn at its own position); drawing stops past the right edge.
void drawText(Canvas& canvas, Font* font, int x, int y, std::string_view text);
// Makes Canvas::text draw through drawText. The graphics device does it when made.
void installTextDrawing();

// The default font's face as a TrueType file, compiled into the run-time (a packaged game
// also carries it as a file, for its font configuration), and the face's licence.
std::span<const uint8_t> defaultFontFace();
std::string_view defaultFontLicence();

}  // namespace korva
