// The system commands, which act through the run.
#include "commands/system.h"

#include <time.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "basic/strings.h"
#include "commands/system_run.h"
#include "core/errors.h"
#include "link/module.h"
#include "run/run_context.h"

namespace korva {

void End() { endQuietly(); }

void Stop() {
  RunContext* run = systemRun();
  if (!run) return;
  if (!run->suspended()) run->requestSuspend();
  run->pollOrEnd();
}

void AppTitle(vxStr* title) {
  std::string text = takeText(title);
  if (RunContext* run = systemRun()) run->window().setTitle(text);
}

void RuntimeError(vxStr* message) {
  static char buffer[256];
  StrArg text(message);
  size_t n = std::min<size_t>(text.view().size(), 255);
  if (n) std::memcpy(buffer, text.view().data(), n);  // a null string has no data pointer
  buffer[n] = 0;
  raiseRuntimeError(buffer);
}

void ExecFile(vxStr* command) {
  std::string text = takeText(command);
  RunContext* run = systemRun();
  if (!run) return;
  run->execFile(text);  // failures are silent
  run->pollOrEnd();
}

void Delay(int32_t ms) {
  RunContext* run = systemRun();
  if (run && !run->delay(ms)) endQuietly();
}

int32_t MilliSecs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

vxStr* CommandLine() {
  RunContext* run = systemRun();
  return vxStrNew(run ? run->commandLine() : std::string());
}

void DebugLog(vxStr* text) {
  std::string line = takeText(text);
  if (RunContext* run = systemRun()) run->debugLog(line.c_str());
}

void DebugStmt(int32_t a, int32_t b) {
  RunContext* run = systemRun();
  if (!run) return;
  run->debugStmt(a, b);
  run->pollOrEnd();
}

void DebugEnter(int32_t a, int32_t b, int32_t c) {
  if (RunContext* run = systemRun()) run->debugEnter(a, b, c);
}

void DebugLeave() {
  if (RunContext* run = systemRun()) run->debugLeave();
}

}  // namespace korva
