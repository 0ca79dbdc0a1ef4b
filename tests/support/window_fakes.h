// Recording stand-ins for what the window talks to.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "korva/runtime.h"
#include "window/event_sinks.h"

namespace korva::testing {

using Log = std::vector<std::string>;

class RecordingDebugger : public Debugger {
 public:
  void debugRun() override { ++runs; }
  void debugStop() override {
    ++stops;
    if (onStop) onStop();
  }
  void debugStmt(int32_t a, int32_t b) override {
    calls.push_back("stmt " + std::to_string(a) + " " + std::to_string(b));
  }
  void debugEnter(int32_t a, int32_t b, int32_t c) override {
    calls.push_back("enter " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
  }
  void debugLeave() override { calls.push_back("leave"); }
  void debugEnd(const char* message) override { calls.push_back(std::string("end ") + message); }
  void debugError(const char* message) override { calls.push_back(std::string("error ") + message); }
  void debugLog(const char* text) override { calls.push_back(std::string("log ") + text); }

  int runs = 0;
  int stops = 0;
  std::function<void()> onStop;  // called at each debugStop
  Log calls;
};

class FakeInput : public InputSink {
 public:
  explicit FakeInput(Log& log) : log_(log) {}
  ~FakeInput() override { log_.push_back("input destroyed"); }
  void pressKey(int code) override { log_.push_back("press " + std::to_string(code)); }
  void releaseKey(int code) override { log_.push_back("release " + std::to_string(code)); }
  void pressMouseButton(int b) override { log_.push_back("button down " + std::to_string(b)); }
  void releaseMouseButton(int b) override { log_.push_back("button up " + std::to_string(b)); }
  void setMousePosition(int x, int y) override {
    log_.push_back("mouse " + std::to_string(x) + "," + std::to_string(y));
  }
  void acquireAll() override { log_.push_back("acquire"); }
  void unacquireAll() override { log_.push_back("unacquire"); }

 private:
  Log& log_;
};

}  // namespace korva::testing
