// Images are not built yet: no commands are registered and there is never an image to free.
#include "graphics/images/image_commands.h"

namespace korva::gfx {

std::span<const SymbolDef> imageSymbols() { return {}; }
void freeAllImages() {}

}  // namespace korva::gfx
