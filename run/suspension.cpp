// The suspension of a run, and the events that move it.
//
//   running --requestSuspend / screen lost (full screen) / an error or the end--> suspended
//   suspended --requestResume / screen regained (full screen)--> running
//
// suspend: the audio is paused; in full screen the graphics device saves its canvases and
// the input lets the devices go; then the debugger hears debugStop. resume undoes it in
// the opposite order and the debugger hears debugRun. A request for the state the run is
// in already does nothing. In full screen a request also gives the screen back to the
// desktop (minimised) or takes it again (restored and raised); not every window system
// reports the focus change that follows (none does without a display), so the state
// changes at once rather than when the focus event comes. While either runs the window is
// busy: the events its own changes cause are dropped.
#include "audio/driver/audio_driver.h"
#include "input/driver/input_driver.h"
#include "korva/runtime.h"
#include "render/display/graphics_device.h"
#include "run/run_context.h"

namespace korva {
namespace {
constexpr int kFullScreen = 3;
}

void RunContext::requestSuspend() {
  if (window_.displayState() == kFullScreen) window_.giveScreenBack();
  if (!suspended_) suspend();
}

void RunContext::requestResume() {
  if (window_.displayState() == kFullScreen) window_.takeScreen();
  if (suspended_) resume();
}

void RunContext::screenLost() {
  if (!suspended_) suspend();
}

void RunContext::screenRegained() {
  if (suspended_) resume();
}

void RunContext::suspend() {
  window_.setBusy(true);
  if (audio_) audio_->suspendHook();
  if (window_.displayState() == kFullScreen) {
    if (GraphicsDevice* device = graphics()) device->suspend();
    if (input_) input_->unacquireAll();
  }
  window_.setBusy(false);
  suspended_ = true;
  if (Debugger* debugger = debugger_.load()) debugger->debugStop();
}

void RunContext::resume() {
  window_.setBusy(true);
  if (window_.displayState() == kFullScreen) {
    if (input_) input_->acquireAll();
    if (GraphicsDevice* device = graphics()) device->resume();
  }
  if (audio_) audio_->resumeHook();
  suspended_ = false;
  window_.setBusy(false);
  if (Debugger* debugger = debugger_.load()) debugger->debugRun();
}

}  // namespace korva
