// The system module: the run-time's own commands, registered after the ten modules.
#include "commands/system.h"
#include "commands/system_run.h"
#include "link/module.h"

namespace korva {
namespace {

const SymbolDef kSystemSymbols[] = {
    KORVA_ENDING_ROUTINE("End", End),
    KORVA_ROUTINE("Stop", Stop),
    KORVA_ROUTINE("AppTitle$title", AppTitle),
    KORVA_ENDING_ROUTINE("RuntimeError$message", RuntimeError),
    KORVA_ROUTINE("ExecFile$command", ExecFile),
    KORVA_ROUTINE("Delay%millisecs", Delay),
    KORVA_ROUTINE("%MilliSecs", MilliSecs),
    KORVA_ROUTINE("$CommandLine", CommandLine),
    KORVA_ROUTINE("%CreateTimer%hertz", CreateTimer),
    KORVA_ROUTINE("%WaitTimer%timer", WaitTimer),
    KORVA_ROUTINE("FreeTimer%timer", FreeTimer),
    KORVA_ROUTINE("DebugLog$text", DebugLog),
    KORVA_ROUTINE("_vxDebugStmt", DebugStmt),
    KORVA_ROUTINE("_vxDebugEnter", DebugEnter),
    KORVA_ROUTINE("_vxDebugLeave", DebugLeave),
};

RunContext* g_run = nullptr;

bool startSystem(RunContext& run) {
  g_run = &run;
  return true;
}

void endSystem() { g_run = nullptr; }

}  // namespace

RunContext* systemRun() { return g_run; }

KORVA_MODULE(system, kSystemSymbols, startSystem, endSystem)

}  // namespace korva
