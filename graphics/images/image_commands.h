// The image commands: their part of the graphics module's symbol table, and the step that
// frees every image at each mode change and at the module's start and end.
#pragma once

#include <span>

#include "host/registry.h"

namespace korva::gfx {

std::span<const SymbolDef> imageSymbols();
// Frees every live image as FreeImage does (frames through freeBufferCanvas).
void freeAllImages();

}  // namespace korva::gfx
