// The math module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool math_create() { return true; }
void math_destroy() {}
std::span<const SymbolDef> math_symbols() { return {}; }
void math_link(LinkSymbolFn fn) { linkSymbols(math_symbols(), fn); }

}  // namespace korva
