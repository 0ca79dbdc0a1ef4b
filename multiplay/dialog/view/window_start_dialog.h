// The start dialog shown in the runtime window: drawn into a canvas of its own (never
// into the program's buffers) and shown over the program's picture, driven by the
// keyboard and the mouse, with the model's message boxes shown inside it. The window's
// events are serviced all along; closing the window cancels the dialog.
//
// While it runs it takes every keyboard and mouse event meant for the runtime window (it
// is modal: the program's input devices see none of them). Afterwards the window is as it
// was: hidden again, or showing the program's picture.
#pragma once

#include <functional>

#include "multiplay/dialog/view/dialog_controller.h"
#include "multiplay/dialog/view/dialog_layout.h"
#include "multiplay/start_dialog.h"

namespace korva {
class Canvas;
class RunContext;
class RuntimeWindow;
}

namespace korva::net {

// What one frame of the dialog shows, for onFrame.
struct DialogFrame {
  const RuntimeWindow& window;
  const StartDialogModel& model;
  const DialogLayout& layout;
  const DialogController& controller;
  const Canvas& canvas;
};

class WindowStartDialog final : public StartDialog {
 public:
  // Shown in the run's window, which it polls; shows nothing without one.
  void run(StartDialogModel& model) override;
  void setRun(RunContext* run) override { run_ = run; }

  // Called once a frame on the dialog's thread, after the picture was shown and before the
  // events are read: where tests inject their events.
  std::function<void(const DialogFrame&)> onFrame;

 private:
  RunContext* run_ = nullptr;
};

// The font the dialog is drawn with.
inline constexpr char kDialogFontName[] = "MS Sans Serif";
inline constexpr int kDialogFontHeight = 11;

}  // namespace korva::net
