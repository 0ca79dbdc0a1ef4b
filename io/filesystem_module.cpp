// The filesystem module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool filesystem_create() { return true; }
void filesystem_destroy() {}
std::span<const SymbolDef> filesystem_symbols() { return {}; }
void filesystem_link(LinkSymbolFn fn) { linkSymbols(filesystem_symbols(), fn); }

}  // namespace korva
