// The basic module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool basic_create() { return true; }
void basic_destroy() {}
std::span<const SymbolDef> basic_symbols() { return {}; }
void basic_link(LinkSymbolFn fn) { linkSymbols(basic_symbols(), fn); }

}  // namespace korva
