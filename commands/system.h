// The run-time's own commands: the system module (End, Stop, the window's title, errors,
// waiting, the clock, the command line, timers, the debugger's hooks).
#pragma once
#include <cstdint>

namespace korva {

struct vxStr;

void End();
void Stop();
void AppTitle(vxStr* title);
void RuntimeError(vxStr* message);
void ExecFile(vxStr* command);
void Delay(int32_t ms);
int32_t MilliSecs();
vxStr* CommandLine();
int32_t CreateTimer(int32_t hertz);
int32_t WaitTimer(int32_t timer);
void FreeTimer(int32_t timer);
void DebugLog(vxStr* text);
void DebugStmt(int32_t a, int32_t b);
void DebugEnter(int32_t a, int32_t b, int32_t c);
void DebugLeave();

}  // namespace korva
