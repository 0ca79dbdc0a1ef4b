// The stream module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool stream_create() { return true; }
void stream_destroy() {}
std::span<const SymbolDef> stream_symbols() { return {}; }
void stream_link(LinkSymbolFn fn) { linkSymbols(stream_symbols(), fn); }

}  // namespace korva
