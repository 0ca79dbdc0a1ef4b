// The font commands. Measuring uses the current font (SetFont), whatever font the current
// buffer draws with.
#include "graphics/commands/graphics_commands.h"
#include "graphics/commands/private/arguments.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "graphics/module/graphics_state.h"

namespace korva::graphics {
namespace {

using graphics::state;

// Programs have always been told 8, whatever the font.
constexpr int32_t kReportedFontWidth = 8;

}  // namespace

int32_t LoadFont(vxStr* name, int32_t height, int32_t bold, int32_t italic, int32_t underline) {
  const std::string face = takeText(name);
  if (!state().device) return 0;
  const int flags = (bold ? kFontBold : 0) | (italic ? kFontItalic : 0) | (underline ? kFontUnderline : 0);
  return graphics::fontHandle(state().device->loadFont(face, height, flags));
}

void FreeFont(int32_t font) {
  if (Font* f = graphics::checkedFont(font)) graphics::freeFont(f);
}

int32_t FontWidth() { return kReportedFontWidth; }

int32_t FontHeight() { return state().font ? state().font->height() : 0; }

int32_t StringWidth(vxStr* text) {
  const std::string t = takeText(text);
  return state().font ? clampToInt32(state().font->stringWidth(t)) : 0;
}

int32_t StringHeight(vxStr* text) {
  vxStrRelease(text);
  return FontHeight();
}



}  // namespace korva::graphics
