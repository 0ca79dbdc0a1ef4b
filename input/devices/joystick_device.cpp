#include "input/devices/joystick_device.h"

#include <SDL2/SDL.h>

#include <utility>

#include "input/driver/input_driver.h"
#include "input/devices/input_host.h"

namespace korva {
namespace {

// About 1/32767.5, so that 0..65535 spans -1.0..+1.0 exactly.
constexpr float kAxisScale = 3.0518044e-05f;
constexpr int kAxisCentre = 32768;
constexpr int kButtons = 31;

}  // namespace

float joystickAxisValue(int raw) { return static_cast<float>(raw) * kAxisScale - 1.0f; }

JoystickDevice::JoystickDevice(SdlInputDriver& driver, SDL_Joystick* joystick, int type,
                               std::string identity)
    : driver_(driver), joystick_(joystick), type_(type), identity_(std::move(identity)) {}

JoystickDevice::~JoystickDevice() {
  if (joystick_) SDL_JoystickClose(joystick_);
}

int32_t JoystickDevice::instanceId() const {
  return joystick_ ? SDL_JoystickInstanceID(joystick_) : -1;
}

void JoystickDevice::disconnect() {
  unacquire();
  if (joystick_) SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
}

void JoystickDevice::reconnect(SDL_Joystick* joystick) {
  if (joystick_) SDL_JoystickClose(joystick_);
  joystick_ = joystick;
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

}  // namespace korva
