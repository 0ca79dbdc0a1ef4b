// The bank module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool bank_create() { return true; }
void bank_destroy() {}
std::span<const SymbolDef> bank_symbols() { return {}; }
void bank_link(LinkSymbolFn fn) { linkSymbols(bank_symbols(), fn); }

}  // namespace korva
