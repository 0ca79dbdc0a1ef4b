#include <SDL2/SDL.h>

#include <filesystem>

#include "render/display/display_formats.h"
#include "render/imagefile/image_file.h"
#include "render/imagefile/private/image_library.h"

namespace korva {

namespace {

// Pixels in an SDL format as an RGB PNG; a part-written file is removed.
bool writePng(void* pixels, int width, int height, int depth, int pitch, uint32_t sdlFormat,
              const std::string& fileName, std::string& error) {
  const ImageFunctions* lib = imageLibrary();
  if (!lib) {
    error = "no library to write PNG files with";
    return false;
  }
  SDL_Surface* view = SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, depth, pitch, sdlFormat);
  SDL_Surface* rgb = view ? SDL_ConvertSurfaceFormat(view, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
  bool ok = rgb && lib->IMG_SavePNG(rgb, fileName.c_str()) == 0;
  if (!ok) {
    error = SDL_GetError();
    std::error_code ec;
    std::filesystem::remove(fileName, ec);
  }
  SDL_FreeSurface(rgb);
  SDL_FreeSurface(view);
  return ok;
}

}  // namespace

bool savePng(const Canvas& canvas, const std::string& fileName, std::string& error) {
  const Surface& s = canvas.surface();
  if (s.lost() || !s.pixels()) {
    error = "the picture is not available";
    return false;
  }
  return writePng(const_cast<uint8_t*>(s.pixels()), s.width(), s.height(), s.format().depth, s.pitch(),
                  sdlFormatOf(s.format().layout()), fileName, error);
}

bool savePngXrgb(const uint32_t* pixels, int width, int height, const std::string& fileName, std::string& error) {
  if (!pixels || width <= 0 || height <= 0) {
    error = "no picture";
    return false;
  }
  return writePng(const_cast<uint32_t*>(pixels), width, height, 32, width * 4, SDL_PIXELFORMAT_RGB888, fileName,
                  error);
}

}  // namespace korva
