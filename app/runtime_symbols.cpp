// The run-time's own symbols, registered after the ten modules: End, RuntimeError and the
// debugger hooks here; the system commands come from commands/.
#include <algorithm>
#include <cstring>

#include "basic/strings.h"
#include "commands/system.h"
#include "core/errors.h"
#include "link/registry.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

void End() { endQuietly(); }

void RuntimeError(vxStr* message) {
  static char buffer[256];
  std::string_view text = vxStrView(message);
  size_t n = std::min<size_t>(text.size(), 255);
  if (n) std::memcpy(buffer, text.data(), n);  // a null string has no data pointer
  buffer[n] = 0;
  vxStrRelease(message);
  raiseRuntimeError(buffer);
}

void DebugStmt(int32_t a, int32_t b) {
  RuntimeWindow* w = RuntimeWindow::instance();
  if (!w) return;
  w->debugStmt(a, b);
  if (!w->poll()) endQuietly();
}

void DebugEnter(int32_t a, int32_t b, int32_t c) {
  if (RuntimeWindow* w = RuntimeWindow::instance()) w->debugEnter(a, b, c);
}

void DebugLeave() {
  if (RuntimeWindow* w = RuntimeWindow::instance()) w->debugLeave();
}

const SymbolDef kRuntimeSymbols[] = {
    KORVA_ROUTINE("End", End),
    KORVA_ROUTINE("Stop", Stop),
    KORVA_ROUTINE("AppTitle$title", AppTitle),
    KORVA_ROUTINE("RuntimeError$message", RuntimeError),
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

}  // namespace

std::span<const SymbolDef> runtimeSymbols() { return kRuntimeSymbols; }

}  // namespace korva
