#include "support/png_pixels.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

namespace korva::test {

std::vector<uint32_t> pngPixels(const std::string& path, int* width, int* height) {
  std::vector<uint32_t> out;
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return out;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) return out;
  if (width) *width = argb->w;
  if (height) *height = argb->h;
  for (int y = 0; y < argb->h; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    out.insert(out.end(), row, row + argb->w);
  }
  SDL_FreeSurface(argb);
  return out;
}

}  // namespace korva::test
