#include "graphics/console/private/console_frame.h"

#include <cstdint>

#include "graphics/commands/graphics_commands.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "graphics/module/graphics_state.h"

namespace korva::graphics {

void scrollForLine(Canvas& canvas, int& cursorY, int lineHeight, uint32_t color, uint32_t clsColor) {
  const int height = canvas.height();
  const int64_t overflow = int64_t{cursorY} + lineHeight - height;
  if (overflow <= 0) return;
  // A font taller than the buffer leaves nothing to keep: the whole buffer is cleared.
  const int shift = static_cast<int>(overflow < height ? overflow : height);
  cursorY = height - lineHeight;
  canvas.blit(0, 0, canvas, 0, shift, canvas.width(), height - shift, true);
  canvas.setColor(clsColor);
  canvas.rect(0, height - shift, canvas.width(), shift, true);
  canvas.setColor(color);
}

Canvas* beginConsole() {
  GraphicsState& g = state();
  if (!g.programSetGraphics) graphics::Graphics(kDefaultGraphicsWidth, kDefaultGraphicsHeight, 0, 2);
  if (!g.device) return nullptr;
  Canvas& front = *g.device->frontBuffer();
  g.consoleSave = {front.originX(), front.originY(), front.handleX(), front.handleY(), front.viewport()};
  front.setOrigin(0, 0);
  front.setHandle(0, 0);
  front.setViewport(0, 0, front.width(), front.height());
  if (&front != g.buffer) {
    front.setFont(g.font);
    front.setColor(g.color);
  }
  scrollForLine(front, g.cursorY, g.font ? g.font->height() : 0, g.color, g.clsColor);
  return &front;
}

void endConsole(Canvas& front) {
  GraphicsState& g = state();
  const ConsoleSave& s = g.consoleSave;
  front.setViewport(s.viewport.left, s.viewport.top, s.viewport.width(), s.viewport.height());
  front.setHandle(s.handleX, s.handleY);
  front.setOrigin(s.originX, s.originY);
  if (&front == g.buffer) front.setColor(g.color);
  pollOrEnd();
}

}  // namespace korva::graphics
