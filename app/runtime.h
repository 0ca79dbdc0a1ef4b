// The run-time's side of the environment interface, and the run of one program.
#pragma once
#include <cstdint>

#include "korva/runtime.h"

namespace korva {

class RunContext;

// The single RuntimeInterface of the process.
RuntimeInterface& runtime();

// Runs one program in a run: modules created in order, one poll, the entry, modules
// destroyed in reverse order. Returns null, or the text of why the program stopped.
const char* runStep(RunContext& run, uint32_t entry, bool debug);

namespace testing {
// Makes the create routine of the named module fail (null: none), without calling it.
void failModuleCreate(const char* module);
// Called with ("create" | "destroy", module name) around every module routine.
void observeModules(void (*observer)(const char* what, const char* module));
}  // namespace testing

}  // namespace korva
