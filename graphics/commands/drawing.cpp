// The drawing state and the primitives, all on the current buffer.
#include "graphics/commands/graphics_commands.h"
#include "graphics/commands/private/arguments.h"
#include "render/fonts/font.h"
#include "graphics/module/graphics_state.h"

namespace korva::graphics {
namespace {

using graphics::state;

Canvas* current() { return state().buffer; }

// Components are not masked: a red of 256 spills into the alpha byte and leaves red 0.
uint32_t composeColor(int32_t red, int32_t green, int32_t blue) {
  return ((static_cast<uint32_t>(red) << 8 | static_cast<uint32_t>(green)) << 8) | static_cast<uint32_t>(blue);
}

}  // namespace

void Origin(int32_t x, int32_t y) {
  if (Canvas* c = current()) c->setOrigin(x, y);
}

void Viewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (Canvas* c = current()) c->setViewport(x, y, width, height);
}

void Color(int32_t red, int32_t green, int32_t blue) {
  state().color = composeColor(red, green, blue);
  if (Canvas* c = current()) c->setColor(state().color);
}

void GetColor(int32_t x, int32_t y) {
  Canvas* c = current();
  if (!c) return;
  state().color = c->getPixel(x, y);
  c->setColor(state().color);
}

int32_t ColorRed() { return current() ? static_cast<int32_t>((current()->color() >> 16) & 255) : 0; }
int32_t ColorGreen() { return current() ? static_cast<int32_t>((current()->color() >> 8) & 255) : 0; }
int32_t ColorBlue() { return current() ? static_cast<int32_t>(current()->color() & 255) : 0; }

void ClsColor(int32_t red, int32_t green, int32_t blue) {
  state().clsColor = composeColor(red, green, blue);
  if (Canvas* c = current()) c->setClsColor(state().clsColor);
}

void SetFont(int32_t font) {
  Font* f = graphics::checkedFont(font);
  if (!f) return;
  state().font = f;
  if (Canvas* c = current()) c->setFont(f);
}

void Cls() {
  if (Canvas* c = current()) c->cls();
}

void Plot(int32_t x, int32_t y) {
  if (Canvas* c = current()) c->plot(x, y);
}

void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (Canvas* c = current()) c->line(x1, y1, x2, y2);
}

void Rect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid) {
  if (Canvas* c = current()) c->rect(x, y, width, height, solid != 0);
}

void Oval(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid) {
  if (Canvas* c = current()) c->oval(x, y, width, height, solid != 0);
}

void Text(int32_t x, int32_t y, vxStr* text, int32_t centreX, int32_t centreY) {
  const std::string t = takeText(text);
  Canvas* c = current();
  if (!c) return;
  // Halved toward zero: a 7-pixel text moves 3 pixels left, not 4.
  if (Font* f = state().font) {
    if (centreX != 0) x = clampToInt32(int64_t{x} + f->stringWidth(t) / -2);
    if (centreY != 0) y = clampToInt32(int64_t{y} + f->height() / -2);
  }
  c->text(x, y, t);
}

void CopyRect(int32_t sourceX, int32_t sourceY, int32_t width, int32_t height, int32_t destX, int32_t destY,
              int32_t srcBuffer, int32_t destBuffer) {
  Canvas* source = graphics::bufferOrCurrent(srcBuffer);
  Canvas* dest = graphics::bufferOrCurrent(destBuffer);
  if (source && dest) dest->blit(destX, destY, *source, sourceX, sourceY, width, height, true);
}

}  // namespace korva::graphics
