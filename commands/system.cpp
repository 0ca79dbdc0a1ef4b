// The system commands that act through the runtime window.
#include "commands/system.h"

#include <time.h>

#include <string>

#include "basic/strings.h"
#include "core/errors.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

// The text of s; s is released.
std::string take(vxStr* s) {
  std::string text(vxStrView(s));
  vxStrRelease(s);
  return text;
}

}  // namespace

void pollOrEnd() {
  RuntimeWindow* w = RuntimeWindow::instance();
  if (w && !w->poll()) endQuietly();
}

void Stop() {
  RuntimeWindow* w = RuntimeWindow::instance();
  if (!w) return;
  if (!w->suspended()) w->requestSuspend();
  pollOrEnd();
}

void AppTitle(vxStr* title) {
  std::string text = take(title);
  if (RuntimeWindow* w = RuntimeWindow::instance()) w->setTitle(text);
}

void ExecFile(vxStr* command) {
  std::string text = take(command);
  RuntimeWindow* w = RuntimeWindow::instance();
  if (!w) return;
  w->execFile(text);  // failures are silent
  pollOrEnd();
}

void Delay(int32_t ms) {
  RuntimeWindow* w = RuntimeWindow::instance();
  if (w && !w->delay(ms)) endQuietly();
}

int32_t MilliSecs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

vxStr* CommandLine() {
  RuntimeWindow* w = RuntimeWindow::instance();
  return vxStrNew(w ? w->commandLine() : std::string());
}

void DebugLog(vxStr* text) {
  std::string line = take(text);
  if (RuntimeWindow* w = RuntimeWindow::instance()) w->debugLog(line.c_str());
}

}  // namespace korva
