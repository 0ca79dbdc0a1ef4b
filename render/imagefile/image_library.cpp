#include "render/imagefile/private/image_library.h"

namespace korva {

static_assert(SDL_IMAGE_MAJOR_VERSION == 2, "SDL2_image is libSDL2_image-2.0.so.0");

const ImageFunctions* imageLibrary() {
  static const ImageFunctions* functions =
      loadOptionalTable<ImageFunctions>(OptionalPart::Pictures, [](OptionalLibrary& library, ImageFunctions& table) {
        bool ok = true;
        KORVA_SDL_IMAGE_FUNCTIONS(KORVA_BIND_OPTIONAL_FUNCTION)
        return ok;
      });
  return functions;
}

}  // namespace korva
