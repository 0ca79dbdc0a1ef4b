// Making a font (face look-up, atlas layout and rendering) and drawing a line with it.
#include "render/fonts/font.h"

#include <algorithm>

#include "core/paths.h"
#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "render/fonts/private/face_source.h"
#include "render/fonts/private/glyph_renderer.h"

namespace korva {

using fonts::FaceSource;
using fonts::GlyphRenderer;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
// Black is the scratch line's mask colour; black text is drawn in the nearest colour that
// is not.
constexpr uint32_t kNearBlack = 0x000010;

std::unique_ptr<GlyphRenderer> openFace(GraphicsDevice& device, const std::string& name, int height, int flags) {
  std::string family = name;
  if (size_t dot = name.find('.'); dot != std::string::npos) {
    family = name.substr(0, dot);
    const std::string file = hostPath(name);
    if (fonts::offerFontFile(file)) {
      device.addFontFile(file);
      if (auto r = GlyphRenderer::open(FaceSource{file, 0}, height, flags)) return r;
    }
  }
  FaceSource source = fonts::findFace(family, flags & kFontBold, flags & kFontItalic);
  if (auto r = GlyphRenderer::open(source, height, flags)) return r;
  // A system face that FreeType cannot read is replaced, as a missing one would be.
  if (!source.file.empty()) return GlyphRenderer::open(FaceSource{}, height, flags);
  return nullptr;
}

}  // namespace

std::unique_ptr<Font> Font::load(GraphicsDevice& device, const std::string& name, int height, int flags) {
  std::unique_ptr<GlyphRenderer> glyphs = openFace(device, name, height, flags);
  if (!glyphs) return nullptr;
  std::unique_ptr<Font> font(new Font(device));
  font->height_ = glyphs->cellHeight();
  font->first_ = glyphs->first();
  font->end_ = glyphs->last() + 1;
  font->default_ = glyphs->defaultChar();
  font->family_ = glyphs->family();

  // Rows of cells no wider than the front buffer (a glyph wider than that gets a row alone).
  const int rowLimit = device.frontBuffer()->width();
  int x = 0, y = 0, atlasWidth = 1;
  for (int c = font->first_; c < font->end_; ++c) {
    int w = glyphs->advance(static_cast<uint8_t>(c));
    if (x > 0 && x + w > rowLimit) {
      y += font->height_;
      x = 0;
    }
    font->cells_.push_back(Cell{x, y});
    font->widths_.push_back(w);
    x += w;
    atlasWidth = std::max(atlasWidth, x);
  }
  font->atlas_ = device.createCanvas(atlasWidth, y + font->height_, 0);
  if (!font->atlas_) return nullptr;
  Canvas& atlas = *font->atlas_;
  atlas.lock();
  if (!atlas.pixels()) {
    atlas.unlock();
    return nullptr;
  }
  for (int c = font->first_; c < font->end_; ++c) {
    size_t i = static_cast<size_t>(c - font->first_);
    glyphs->render(static_cast<uint8_t>(c), atlas, font->cells_[i].x, font->cells_[i].y, font->widths_[i]);
  }
  atlas.unlock();
  atlas.setMaskColor(kWhite);
  font->scratch_ = device.createCanvas(rowLimit, font->height_, 0);
  if (!font->scratch_) return nullptr;
  return font;
}

Font::~Font() {
  device_.freeCanvas(atlas_);
  device_.freeCanvas(scratch_);
}

int64_t Font::stringWidth(std::string_view text) const {
  int64_t w = 0;
  for (char c : text) w += charWidth(static_cast<uint8_t>(c));
  return w;
}

int Font::scratchWidth() const { return scratch_ ? scratch_->width() : 0; }

void Font::draw(Canvas& target, int x, int y, std::string_view text, uint32_t argb) {
  int64_t total = stringWidth(text);
  if (total <= 0 || total > INT32_MAX) return;
  const int w = static_cast<int>(total);
  if (!scratch_ || scratch_->width() < w) {
    Canvas* wider = device_.createCanvas(w, height_, 0);
    if (!wider) return;
    device_.freeCanvas(scratch_);
    scratch_ = wider;
  }
  Canvas& line = *scratch_;
  line.setColor(argb);
  if ((line.color() & 0xFFFFFF) == 0) line.setColor(kNearBlack);
  line.rect(0, 0, w, height_, true);
  // The atlas's white glyphs are its mask: only the black around each glyph is copied, so
  // the glyph's shape keeps the line's colour.
  int sx = 0;
  for (char ch : text) {
    uint8_t code = static_cast<uint8_t>(ch);
    Cell c = cell(code);
    int cw = charWidth(code);
    if (cw > 0) line.blit(sx, 0, *atlas_, c.x, c.y, cw, height_, false);
    sx += cw;
  }
  target.blit(x, y, line, 0, 0, w, height_, false);
}

}  // namespace korva
