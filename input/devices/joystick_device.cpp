#include "input/devices/joystick_device.h"

#include <SDL2/SDL.h>

#include <utility>

#include "input/driver/input_driver.h"
#include "input/devices/input_host.h"
#include "input/devices/pad_layout.h"

namespace korva {
namespace {

// About 1/32767.5, so that 0..65535 spans -1.0..+1.0 exactly.
constexpr float kAxisScale = 3.0518044e-05f;
constexpr int kAxisCentre = 32768;
constexpr int kButtons = 31;

}  // namespace

float joystickAxisValue(int raw) { return static_cast<float>(raw) * kAxisScale - 1.0f; }

JoystickDevice::JoystickDevice(SdlInputDriver& driver, SDL_Joystick* joystick, SDL_GameController* controller,
                               int type, std::string identity)
    : driver_(driver), joystick_(joystick), controller_(controller), type_(type), identity_(std::move(identity)) {}

JoystickDevice::~JoystickDevice() { close(); }

void JoystickDevice::close() {
  if (controller_)
    SDL_GameControllerClose(controller_);
  else if (joystick_)
    SDL_JoystickClose(joystick_);
  controller_ = nullptr;
  joystick_ = nullptr;
}

int32_t JoystickDevice::instanceId() const {
  return joystick_ ? SDL_JoystickInstanceID(joystick_) : -1;
}

void JoystickDevice::disconnect() {
  unacquire();
  close();
}

void JoystickDevice::reconnect(SDL_Joystick* joystick, SDL_GameController* controller) {
  close();
  joystick_ = joystick;
  controller_ = controller;
}

bool JoystickDevice::attached() const { return joystick_ && SDL_JoystickGetAttached(joystick_); }

bool JoystickDevice::acquireSource() { return attached(); }

void JoystickDevice::update() {
  if (!acquired()) {
    driver_.host().pollEvents();
    driver_.refreshJoysticks();
    acquire();
    if (!acquired()) return;
  }
  uint32_t now = SDL_GetTicks();
  if (now - lastPoll_ < kPollIntervalMs) return;
  lastPoll_ = now;
  // Brings SDL's state and its list of pads up to date; an unplugged pad is disconnected
  // there.
  driver_.refreshJoysticks();
  if (!acquired()) return;
  read();
}

void JoystickDevice::read() {
  if (controller_) {
    readStandardLayout();
    return;
  }
  int axes = SDL_JoystickNumAxes(joystick_);
  for (int i = 0; i < 3; ++i) {
    // A missing axis rests in the middle rather than at one end.
    int raw = i < axes ? SDL_JoystickGetAxis(joystick_, i) + kAxisCentre : kAxisCentre;
    setAxis(i, joystickAxisValue(raw));
  }
  int buttons = SDL_JoystickNumButtons(joystick_);
  for (int n = 1; n <= kButtons; ++n)
    set(n, n - 1 < buttons && SDL_JoystickGetButton(joystick_, n - 1) != 0);
}

void JoystickDevice::readStandardLayout() {
  static_assert(SDL_CONTROLLER_AXIS_MAX == 6 && SDL_CONTROLLER_BUTTON_MAX == 21, "the layout's SDL order");
  PadState pad;
  for (size_t i = 0; i < pad.axes.size(); ++i)
    pad.axes[i] = SDL_GameControllerGetAxis(controller_, static_cast<SDL_GameControllerAxis>(i));
  for (size_t i = 0; i < pad.buttons.size(); ++i)
    pad.buttons[i] = SDL_GameControllerGetButton(controller_, static_cast<SDL_GameControllerButton>(i)) != 0;
  const PadReading reading = standardLayout(pad);
  for (int i = 0; i < 3; ++i) setAxis(i, reading.axes[static_cast<size_t>(i)]);
  for (int n = 1; n <= kButtons; ++n) set(n, n <= kPadButtons && reading.down[static_cast<size_t>(n)]);
}

}  // namespace korva
