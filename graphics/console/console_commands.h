// The text console (Write, Print, Input, Locate) on the front buffer: its part of the
// graphics module's symbol table. It works on the module state (graphics/module/).
#pragma once

#include <span>

#include "host/registry.h"

namespace korva::gfx {

std::span<const SymbolDef> consoleSymbols();

}  // namespace korva::gfx
