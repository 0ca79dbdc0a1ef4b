// The mouse. Unacquired it is fed by the window (position in graphics coordinates,
// buttons); acquired (full screen) it samples its own relative motion and buttons, and the
// position it builds stays inside the graphics.
#pragma once
#include <array>
#include <cstdint>

#include "input/devices/input_device.h"

namespace korva {

class InputHost;

class MouseDevice final : public InputDevice {
 public:
  explicit MouseDevice(InputHost& host) : host_(host) {}

  // The window's path (windowed states).
  void pressButton(int button) { press(button); }
  void releaseButton(int button) { release(button); }
  void setPosition(int x, int y);
  // The device's own reports (full screen), kept while acquired until the next read.
  void reportMotion(int dx, int dy);
  void reportButton(int button, bool down);

 protected:
  void update() override;
  bool acquireSource() override;
  void unacquireSource() override;

 private:
  void clearReports();

  InputHost& host_;
  int64_t dx_ = 0;
  int64_t dy_ = 0;
  std::array<bool, 4> buttons_{};  // 1 left, 2 right, 3 middle
};

}  // namespace korva
