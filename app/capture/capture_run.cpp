#include "app/capture/capture_run.h"

#include <cstdlib>
#include <filesystem>

#include "app/capture/frame_capture.h"
#include "app/debuggers.h"
#include "korva/runtime.h"
#include "window/runtime_window.h"

namespace korva::capture {
namespace {

// Passes every callback on and remembers how the run ended.
class OutcomeDebugger final : public RelayDebugger {
 public:
  using RelayDebugger::RelayDebugger;
  void debugEnd(const char* message) override {
    if (message && std::string_view(message).starts_with("Startup Error: ")) startupFailed = true;
    inner_.debugEnd(message);
  }
  void debugError(const char* message) override {
    error = true;
    inner_.debugError(message);
  }

  bool error = false;
  bool startupFailed = false;
};

std::string plural(int64_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string CaptureRun::prepare() {
  if (std::string why = checkCaptureOptions(options_); !why.empty()) return why;
  if (!options_.inputFile.empty()) {
    script_ = loadInputScript(options_.inputFile);
    if (!script_.error.empty()) return script_.error;
  }
  if (!options_.screenshotDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options_.screenshotDir, ec);
    if (!std::filesystem::is_directory(options_.screenshotDir))
      return "cannot make the screenshot folder " + options_.screenshotDir + (ec ? ": " + ec.message() : "");
  }
  if (options_.headless) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
  }
  // Scripted pointer positions are the game's own pixels: a player's window choices, and
  // the full screen remembered for the game, play no part in a capture.
  unsetenv("KORVA_SCALE");
  unsetenv("KORVA_SCALING");
  setenv("KORVA_FULLSCREEN", "0", 1);
  return {};
}

int CaptureRun::run(RuntimeInterface& rt, uint32_t entry, const char* arguments, Debugger& debugger, bool debug,
                    FrameRelay* relay) {
  FrameCapture capture(options_.frames, options_.screenshotDir, options_.every, script_.actions);
  OutcomeDebugger outcome(debugger);
  if (relay) relay->relayTo(&capture);
  RuntimeWindow::setFrameObserver(relay ? static_cast<FrameObserver*>(relay) : &capture);
  rt.execute(entry, arguments, &outcome, debug ? 1 : 0, 0);
  RuntimeWindow::setFrameObserver(nullptr);

  std::string how;
  int status = 0;
  if (!capture.failure().empty()) {
    how = "stopped: " + capture.failure();
    status = 1;
  } else if (outcome.startupFailed) {
    how = "the program could not start";
    status = 1;
  } else if (outcome.error) {
    how = "a run-time error ended the program";
    status = 1;
  } else if (capture.reachedLimit()) {
    how = "ended after " + plural(capture.framesShown(), "frame");
  } else {
    how = "the program ended by itself";
  }
  std::string shots = options_.screenshotDir.empty()
                          ? std::string("no screenshots taken")
                          : plural(capture.screenshotsWritten(), "screenshot") + " written to " + options_.screenshotDir;
  writeErrorLine("korva: " + plural(capture.framesShown(), "frame") + " presented, " + shots + "; " + how);
  return status;
}

}  // namespace korva::capture
