// The debuggers of the standalone executable.
#pragma once
#include <string>

#include "korva/runtime.h"

namespace korva {

// Silent except for errors: the text on stderr as one line, and the "Error!" message box
// when a display exists and boxes are not switched off (KORVA_NO_MESSAGEBOX).
class StandaloneDebugger : public Debugger {
 public:
  void debugRun() override {}
  void debugStop() override {}
  void debugStmt(int32_t, int32_t) override {}
  void debugEnter(int32_t, int32_t, int32_t) override {}
  void debugLeave() override {}
  void debugEnd(const char*) override {}
  void debugError(const char* message) override;
  void debugLog(const char*) override {}
  virtual ~StandaloneDebugger() = default;
};

// For --debug: also writes every DebugLog text to stderr, one line each.
class ConsoleDebugger : public StandaloneDebugger {
 public:
  void debugLog(const char* text) override;
};

// Passes every callback on to another debugger; a run step that watches the run
// overrides only what it watches.
class RelayDebugger : public Debugger {
 public:
  explicit RelayDebugger(Debugger& inner) : inner_(inner) {}
  virtual ~RelayDebugger() = default;
  void debugRun() override { inner_.debugRun(); }
  void debugStop() override { inner_.debugStop(); }
  void debugStmt(int32_t a, int32_t b) override { inner_.debugStmt(a, b); }
  void debugEnter(int32_t a, int32_t b, int32_t c) override { inner_.debugEnter(a, b, c); }
  void debugLeave() override { inner_.debugLeave(); }
  void debugEnd(const char* message) override { inner_.debugEnd(message); }
  void debugError(const char* message) override { inner_.debugError(message); }
  void debugLog(const char* text) override { inner_.debugLog(text); }

 protected:
  Debugger& inner_;
};

// Writes text to stderr as one line (line breaks become blanks).
void writeErrorLine(const std::string& text);
// Shows a message box when a display exists and boxes are allowed.
void showMessageBox(const char* caption, const std::string& text);

}  // namespace korva
