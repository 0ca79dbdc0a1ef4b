// The canvas's text operation: a line clipped to the canvas's viewport, drawn by its font.
#include <cstdint>

#include "render/canvas/canvas.h"
#include "render/fonts/font.h"

namespace korva {

void drawText(Canvas& canvas, Font* font, int x, int y, std::string_view text) {
  if (!font || text.empty()) return;
  const Rect v = canvas.viewport();
  const int64_t top = int64_t(y) + canvas.originY();
  if (top >= v.bottom || top + font->height() <= v.top) return;
  int64_t left = int64_t(x) + canvas.originX();
  if (left >= v.right) return;
  // Characters that end at or before the viewport's left edge are skipped; the first one
  // kept is drawn where it would have been.
  int64_t at = x;
  size_t first = 0;
  while (first < text.size()) {
    int w = font->charWidth(static_cast<uint8_t>(text[first]));
    if (left + w > v.left) break;
    left += w;
    at += w;
    ++first;
  }
  if (first == text.size()) return;
  size_t end = first;
  for (int64_t run = left; end < text.size() && run < v.right; ++end)
    run += font->charWidth(static_cast<uint8_t>(text[end]));
  if (at < INT32_MIN || at > INT32_MAX) return;
  font->draw(canvas, static_cast<int>(at), y, text.substr(first, end - first), canvas.color());
}

namespace {

class FontTextRenderer final : public TextRenderer {
 public:
  void drawText(Canvas& canvas, Font* font, int x, int y, std::string_view text) override {
    korva::drawText(canvas, font, x, y, text);
  }
};

}  // namespace

void installTextDrawing() {
  static FontTextRenderer renderer;
  setTextRenderer(&renderer);
}

}  // namespace korva
