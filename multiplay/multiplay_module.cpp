// The multiplay module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool multiplay_create() { return true; }
void multiplay_destroy() {}
std::span<const SymbolDef> multiplay_symbols() { return {}; }
void multiplay_link(LinkSymbolFn fn) { linkSymbols(multiplay_symbols(), fn); }

}  // namespace korva
