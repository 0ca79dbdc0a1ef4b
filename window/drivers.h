// What the runtime window knows of the drivers it owns. Each driver's own issue implements
// these; the window calls them when they exist and does nothing otherwise.
#pragma once

namespace korva {

// The input driver as the window procedure feeds it (keyboard codes are set-1 key codes,
// extended keys with 128 added; mouse buttons 1 left, 2 right, 3 middle).
class InputDriver {
 public:
  virtual ~InputDriver() = default;
  virtual void pressKey(int code) = 0;
  virtual void releaseKey(int code) = 0;
  virtual void pressMouseButton(int button) = 0;
  virtual void releaseMouseButton(int button) = 0;
  virtual void setMousePosition(int x, int y) = 0;
  virtual void acquireAll() = 0;
  virtual void unacquireAll() = 0;
  // In full screen the devices are read directly instead: what the keyboard and the mouse
  // report (key code up or down, relative motion, button 1-3 up or down). A driver that is
  // not acquired ignores them.
  virtual void deviceKey(int /*code*/, bool /*down*/) {}
  virtual void deviceMouseMotion(int /*dx*/, int /*dy*/) {}
  virtual void deviceMouseButton(int /*button*/, bool /*down*/) {}
};

class AudioDriver {
 public:
  virtual ~AudioDriver() = default;
  virtual void suspendHook() {}
  virtual void resumeHook() {}
};

class FileSystemDriver {
 public:
  virtual ~FileSystemDriver() = default;
};

// The live timers of the program; destroying it frees every one of them.
class TimerSet {
 public:
  virtual ~TimerSet() = default;
};

// The graphics device (render/display/graphics_device.h): the window opens, owns and
// closes it, paints from its front buffer and has it save its canvases around a
// full-screen suspension.
class GraphicsDevice;

}  // namespace korva
