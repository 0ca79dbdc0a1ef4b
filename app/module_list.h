// The modules of the run-time in their order: the ten command modules as a run creates
// them, then the system commands. Registration follows the same order.
#pragma once
#include <span>

#include "link/linker.h"
#include "link/module.h"

namespace korva {

const ModuleDef& basic_module();
const ModuleDef& math_module();
const ModuleDef& string_module();
const ModuleDef& filesystem_module();
const ModuleDef& stream_module();
const ModuleDef& bank_module();
const ModuleDef& input_module();
const ModuleDef& audio_module();
const ModuleDef& multiplay_module();
const ModuleDef& graphics_module();
const ModuleDef& system_module();

// basic, math, string, filesystem, stream, bank, input, audio, multiplay, graphics, system.
std::span<const ModuleDef* const> modules();

// Registration of every module's symbols in order, then the test extras.
void registerAll(LinkSymbolFn fn);
// Every registered symbol under its link name.
SymbolTable runtimeSymbolTable();

namespace testing {
// Extra symbols registered after all others, for tests that exercise the linker and the
// calling contract with routines of their own. Not reachable from a normal run.
void setExtraSymbols(std::span<const SymbolDef> symbols);
}  // namespace testing

}  // namespace korva
