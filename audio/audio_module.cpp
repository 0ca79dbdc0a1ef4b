// The audio module: start-up, shut-down and its registered symbols (none yet).
#include "host/modules.h"

namespace korva {

bool audio_create() { return true; }
void audio_destroy() {}
std::span<const SymbolDef> audio_symbols() { return {}; }
void audio_link(LinkSymbolFn fn) { linkSymbols(audio_symbols(), fn); }

}  // namespace korva
