// What the window's event pump hands on. The window is the platform: it turns SDL events
// into these calls on the program's thread and keeps no state of the run. The input
// driver takes the keys and the mouse; the run takes the rest (close, the environment's
// requests, losing and regaining the screen in full screen).
#pragma once

namespace korva {

// Key codes are set-1 key codes, extended keys with 128 added; mouse buttons 1 left,
// 2 right, 3 middle.
class InputSink {
 public:
  virtual ~InputSink() = default;
  // The windowed display states: the window procedure's view of keys and the pointer.
  virtual void pressKey(int code) = 0;
  virtual void releaseKey(int code) = 0;
  virtual void pressMouseButton(int button) = 0;
  virtual void releaseMouseButton(int button) = 0;
  virtual void setMousePosition(int x, int y) = 0;
  // Full screen reads the devices themselves: acquired on entering, released on leaving
  // or losing the screen; a driver that is not acquired ignores the device reports.
  virtual void acquireAll() = 0;
  virtual void unacquireAll() = 0;
  virtual void deviceKey(int /*code*/, bool /*down*/) {}
  virtual void deviceMouseMotion(int /*dx*/, int /*dy*/) {}
  virtual void deviceMouseButton(int /*button*/, bool /*down*/) {}
};

class RunEventSink {
 public:
  // The environment's requests, posted from its thread through RuntimeWindow::post.
  enum Request : int {
    kSuspend = 1025,  // asyncStop
    kResume = 1026,   // asyncRun
    kWakeUp = 1027,   // asyncEnd: only wakes a poll that waits, the run has ended already
  };

  virtual ~RunEventSink() = default;
  // The window was closed, or Ctrl-C came: the program must end.
  virtual void closeRequested() = 0;
  virtual void request(Request request) = 0;
  // Full screen only: the screen was lost (focus gone, minimised, or a system key such as
  // Alt+Tab released), or given back.
  virtual void screenLost() = 0;
  virtual void screenRegained() = 0;
  // False while the run is suspended: keys and the pointer then reach no one.
  virtual bool acceptsInput() const = 0;
};

}  // namespace korva
