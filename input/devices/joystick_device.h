// A joystick or gamepad on one port. It acquires itself on its first query and reads its
// SDL joystick (or game controller) at most every 3 ms. Unplugged, it reads neutral with no buttons down and
// keeps its port; the driver hands it the pad again when the same pad returns.
#pragma once
#include <cstdint>
#include <string>

#include "input/devices/input_device.h"

struct _SDL_Joystick;
struct _SDL_GameController;

namespace korva {

class SdlInputDriver;

// A raw axis reading 0..65535 as -1.0..+1.0.
float joystickAxisValue(int raw);

class JoystickDevice final : public InputDevice {
 public:
  static constexpr uint32_t kPollIntervalMs = 3;

  // type: 1 gamepad, 2 other. identity tells a returning pad from a new one. With a
  // controller (a pad SDL knows the layout of) the buttons and axes are read in the
  // standard layout (pad_layout.h), else in the joystick's own numbering; the controller
  // owns the joystick then.
  JoystickDevice(SdlInputDriver& driver, _SDL_Joystick* joystick, _SDL_GameController* controller, int type,
                 std::string identity);
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
  void reconnect(_SDL_Joystick* joystick, _SDL_GameController* controller);
  bool readsStandardLayout() const { return controller_ != nullptr; }

 protected:
  void update() override;
  bool acquireSource() override;

 private:
  void read();
  void readStandardLayout();
  void close();

  SdlInputDriver& driver_;
  _SDL_Joystick* joystick_;
  _SDL_GameController* controller_;
  int type_;
  std::string identity_;
  uint32_t lastPoll_ = 0;
};

}  // namespace korva
