// The input module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool input_create() { return true; }
void input_destroy() {}
std::span<const SymbolDef> input_symbols() { return {}; }
void input_link(LinkSymbolFn fn) { linkSymbols(input_symbols(), fn); }

}  // namespace korva
