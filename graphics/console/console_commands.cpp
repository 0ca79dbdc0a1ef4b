// The console is not built yet: no commands are registered.
#include "graphics/console/console_commands.h"

namespace korva::gfx {

std::span<const SymbolDef> consoleSymbols() { return {}; }

}  // namespace korva::gfx
