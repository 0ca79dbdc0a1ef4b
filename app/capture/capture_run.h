// A capture run of the standalone executable: korva --headless --frames N --screenshot DIR
// [--every K] [--input FILE] PROGRAM [ARGS...].
//
// Exit status: 0 when the program ended by itself or was ended after N frames; 1 when a
// run-time error ended it, it could not start, or a screenshot could not be written. A
// summary line goes to stderr at the end.
#pragma once
#include <cstdint>
#include <string>

#include "app/capture/capture_options.h"
#include "app/capture/input_script.h"
#include "window/runtime_window.h"

namespace korva {

class Debugger;
class RuntimeInterface;

namespace capture {

// Sees the frames before the capture does, and hands them on to it.
class FrameRelay : public FrameObserver {
 public:
  virtual void relayTo(FrameObserver* next) = 0;
};

class CaptureRun {
 public:
  explicit CaptureRun(CaptureOptions options) : options_(std::move(options)) {}

  // Before anything starts SDL: checks the options, reads the input script, makes the
  // screenshot folder and, headless, chooses the off-screen video, dummy audio and
  // software rendering drivers. Returns a one-line error, empty when ready.
  std::string prepare();
  // Runs the linked program under the capture and returns the exit status. relay, when
  // given, sees the window's frames first.
  int run(RuntimeInterface& rt, uint32_t entry, const char* arguments, Debugger& debugger, bool debug,
          FrameRelay* relay = nullptr);

 private:
  CaptureOptions options_;
  InputScript script_;
};

}  // namespace capture
}  // namespace korva
