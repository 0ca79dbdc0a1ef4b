// A joystick or gamepad on one port. It acquires itself on its first query and reads its
// SDL joystick at most every 3 ms. Unplugged, it reads neutral with no buttons down and
// keeps its port; the driver hands it the pad again when the same pad returns.
#pragma once
#include <cstdint>
#include <string>

#include "input/devices/input_device.h"

struct _SDL_Joystick;

namespace korva {

class SdlInputDriver;

// A raw axis reading 0..65535 as -1.0..+1.0.
float joystickAxisValue(int raw);

class JoystickDevice final : public InputDevice {
 public:
  static constexpr uint32_t kPollIntervalMs = 3;

  // type: 1 gamepad, 2 other. identity tells a returning pad from a new one.
  JoystickDevice(SdlInputDriver& driver, _SDL_Joystick* joystick, int type, std::string identity);
  ~JoystickDevice() override;

  int type() const { return type_; }
  const std::string& identity() const { return identity_; }
  bool connected() const { return joystick_ != nullptr; }
  // Connected, and SDL still has the pad.
  bool attached() const;
  // The SDL joystick's instance, or -1 while unplugged.
  int32_t instanceId() const;
  // The pad was unplugged: neutral state, the SDL joystick closed.
  void disconnect();
  // The same pad is back.
  void reconnect(_SDL_Joystick* joystick);

 protected:
  void update() override;
  bool acquireSource() override;

 private:
  void read();

  SdlInputDriver& driver_;
  _SDL_Joystick* joystick_;
  int type_;
  std::string identity_;
  uint32_t lastPoll_ = 0;
};

}  // namespace korva
