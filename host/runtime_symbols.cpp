// The run-time's own symbols, registered after the ten modules.
#include "host/errors.h"
#include "host/registry.h"

namespace korva {
namespace {

void End() { endQuietly(); }

const SymbolDef kRuntimeSymbols[] = {
    KORVA_ROUTINE("End", End),
};

}  // namespace

std::span<const SymbolDef> runtimeSymbols() { return kRuntimeSymbols; }

}  // namespace korva
