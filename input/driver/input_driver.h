// The input driver over SDL: the keyboard, the mouse and the joysticks as InputDevices,
// owned by the run once opened. In the windowed display states the window's
// events feed keyboard and mouse; in full screen (acquired) the devices read their own
// reports. Joysticks are read from SDL in every state, and the joystick list follows
// hot-plugging: a new pad is appended, an unplugged one keeps its port and reads neutral
// until it comes back there.
#pragma once
#include <memory>
#include <vector>

#include "window/event_sinks.h"

namespace korva {

class InputHost;
class InputDevice;
class KeyboardDevice;
class MouseDevice;
class JoystickDevice;

class SdlInputDriver final : public InputSink {
 public:
  explicit SdlInputDriver(InputHost& host);
  ~SdlInputDriver() override;
  SdlInputDriver(const SdlInputDriver&) = delete;
  SdlInputDriver& operator=(const SdlInputDriver&) = delete;

  // What the window feeds.
  void pressKey(int code) override;
  void releaseKey(int code) override;
  void pressMouseButton(int button) override;
  void releaseMouseButton(int button) override;
  void setMousePosition(int x, int y) override;
  void deviceKey(int code, bool down) override;
  void deviceMouseMotion(int dx, int dy) override;
  void deviceMouseButton(int button, bool down) override;
  // Full screen: hides the pointer and acquires mouse and keyboard (joysticks are left
  // alone); unacquireAll undoes it.
  void acquireAll() override;
  void unacquireAll() override;
  bool inputAcquired() const { return acquired_; }

  // MoveMouse: the mouse's position, and the system pointer too unless input is acquired.
  void positionMouse(int x, int y);

  InputDevice* keyboard() const;
  InputDevice* mouse() const;
  int joystickCount();
  // Null for a port below 0 or not below the count.
  InputDevice* joystick(int port);
  // 1 gamepad, 2 other, 0 for a bad port.
  int joystickType(int port);
  // The character of a key code with the modifiers held now (GetKey, WaitKey).
  int translateKey(int code) const;

  // Takes in pads plugged or unplugged since the last look.
  void refreshJoysticks();
  InputHost& host() const { return host_; }

 private:
  void startJoysticks();
  void openJoystick(int deviceIndex);

  InputHost& host_;
  std::unique_ptr<KeyboardDevice> keyboard_;
  std::unique_ptr<MouseDevice> mouse_;
  std::vector<std::unique_ptr<JoystickDevice>> joysticks_;
  bool joysticksTried_ = false;
  bool joysticksReady_ = false;
  uint32_t lastSdlUpdate_ = 0;
  bool acquired_ = false;
};

}  // namespace korva
