#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <filesystem>

#include "render/display/display_formats.h"
#include "render/imagefile/image_file.h"

namespace korva {

bool savePng(const Canvas& canvas, const std::string& path, std::string& error) {
  const Surface& s = canvas.surface();
  if (s.lost() || !s.pixels()) {
    error = "the picture is not available";
    return false;
  }
  SDL_Surface* view = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(s.pixels()), s.width(), s.height(),
                                                         s.format().depth, s.pitch(), sdlFormatOf(s.format().layout()));
  SDL_Surface* rgb = view ? SDL_ConvertSurfaceFormat(view, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
  bool ok = rgb && IMG_SavePNG(rgb, path.c_str()) == 0;
  if (!ok) {
    error = SDL_GetError();
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  SDL_FreeSurface(rgb);
  SDL_FreeSurface(view);
  return ok;
}

}  // namespace korva
