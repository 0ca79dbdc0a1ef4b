// SDL2_image's functions, loaded with the library and its codecs (PNG, JPEG, TIFF, WebP and
// what they need) the first time a program reads a PNG, JPEG or PCX picture or a PNG is
// written. BMP pictures are SDL's own and need none of it.
#pragma once
#include <SDL2/SDL_image.h>

#include "core/optional_library.h"

#define KORVA_SDL_IMAGE_FUNCTIONS(X) X(IMG_LoadJPG_RW) X(IMG_LoadPCX_RW) X(IMG_LoadPNG_RW) X(IMG_SavePNG)

namespace korva {

struct ImageFunctions {
  KORVA_SDL_IMAGE_FUNCTIONS(KORVA_OPTIONAL_FUNCTION)
};

// Null when the library cannot be loaded (said once on stderr).
const ImageFunctions* imageLibrary();

}  // namespace korva
