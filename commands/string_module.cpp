// The string module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool string_create() { return true; }
void string_destroy() {}
std::span<const SymbolDef> string_symbols() { return {}; }
void string_link(LinkSymbolFn fn) { linkSymbols(string_symbols(), fn); }

}  // namespace korva
