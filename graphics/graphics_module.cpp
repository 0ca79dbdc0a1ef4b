// The graphics module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool graphics_create() { return true; }
void graphics_destroy() {}
std::span<const SymbolDef> graphics_symbols() { return {}; }
void graphics_link(LinkSymbolFn fn) { linkSymbols(graphics_symbols(), fn); }

}  // namespace korva
