#include "render/display/display_formats.h"

#include <SDL2/SDL.h>

namespace korva {

PixelLayout desktopLayout(uint32_t sdlFormat) {
  int bpp = 0;
  Uint32 r = 0, g = 0, b = 0, a = 0;
  int depth = modeDepth(sdlFormat);
  if (depth != 0 && SDL_ISPIXELFORMAT_PACKED(sdlFormat) && SDL_PixelFormatEnumToMasks(sdlFormat, &bpp, &r, &g, &b, &a)) {
    PixelLayout layout{depth, 0, r, g, b};
    if (layout.valid()) return layout;
  }
  if (depth == 24 && SDL_ISPIXELFORMAT_ARRAY(sdlFormat)) return PixelLayout::rgb888();
  return PixelLayout::xrgb8888();
}

PixelLayout layoutForDepth(int depth) {
  switch (depth) {
    case 16: return PixelLayout::rgb565();
    case 24: return PixelLayout::rgb888();
    default: return PixelLayout::xrgb8888();
  }
}

uint32_t sdlFormatOf(const PixelLayout& layout) {
  uint32_t format = SDL_MasksToPixelFormatEnum(layout.depth, layout.redMask, layout.greenMask, layout.blueMask,
                                               layout.alphaMask);
  return format == SDL_PIXELFORMAT_UNKNOWN ? uint32_t{SDL_PIXELFORMAT_RGB888} : format;
}

int chooseFullScreenDepth(int requested, bool want3D, const std::function<bool(int)>& accepts,
                          const std::function<int(int)>& score) {
  if (requested != 0) return accepts(requested) ? requested : 0;
  if (want3D) return 0;
  int best = 0, bestScore = 0;
  for (int depth : {16, 24, 32}) {
    if (!accepts(depth)) continue;
    int s = score(depth);
    if (s >= 4) return depth;
    if (s > bestScore) best = depth, bestScore = s;
  }
  return best;
}

int blitCapabilityScore(int depth) { return depth == 16 || depth == 24 || depth == 32 ? 4 : 0; }

const GfxMode* fullScreenMode(const GfxDriver& driver, int width, int height, int depth) {
  const GfxMode* any = nullptr;
  for (const GfxMode& m : driver.modes) {
    if (m.width != width || m.height != height) continue;
    if (m.depth == depth) return &m;
    if (!any) any = &m;
  }
  return any;
}

}  // namespace korva
