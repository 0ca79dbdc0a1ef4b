#include "input/driver/input_driver.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <string>

#include "input/devices/joystick_device.h"
#include "input/devices/keyboard_device.h"
#include "input/devices/mouse_device.h"
#include "input/keys/key_translation.h"
#include "input/devices/input_host.h"
#include "input/driver/pad_mappings.h"

namespace korva {
namespace {

constexpr uint32_t kJoystickSubsystems = SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER;

// Tells a returning pad from another of the same make when it has a serial number.
std::string identityOf(SDL_Joystick* joystick) {
  char guid[33];
  SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick), guid, sizeof guid);
  const char* serial = SDL_JoystickGetSerial(joystick);
  return std::string(guid) + "/" + (serial ? serial : "");
}

void hidePointer() {
  // Relative mode keeps the pointer from leaving a full-screen window; not every video
  // driver offers it, and the motion reports come either way.
  SDL_SetRelativeMouseMode(SDL_TRUE);
  SDL_ShowCursor(SDL_DISABLE);
}

void showPointer() {
  SDL_SetRelativeMouseMode(SDL_FALSE);
  SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace

SdlInputDriver::SdlInputDriver(InputHost& host)
    : host_(host), keyboard_(std::make_unique<KeyboardDevice>(host)), mouse_(std::make_unique<MouseDevice>(host)) {
  // Pads must keep working while the runtime window is hidden or has no focus.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
}

// On the first look at the pads, not at start-up: starting SDL's joysticks reads its whole
// controller database, which a program that never asks about pads should not wait for.
void SdlInputDriver::startJoysticks() {
  joysticksTried_ = true;
  joysticksReady_ = SDL_InitSubSystem(kJoystickSubsystems) == 0;
  if (!joysticksReady_) return;  // no joysticks then, keyboard and mouse still work
  addPlayerPadMappings();
  // Pads are read when asked, not through the event queue.
  SDL_JoystickEventState(SDL_IGNORE);
  SDL_GameControllerEventState(SDL_IGNORE);
}

SdlInputDriver::~SdlInputDriver() {
  joysticks_.clear();
  mouse_.reset();
  keyboard_.reset();
  if (joysticksReady_) {
    SDL_JoystickEventState(SDL_ENABLE);
    SDL_GameControllerEventState(SDL_ENABLE);
    SDL_QuitSubSystem(kJoystickSubsystems);
  }
  showPointer();
}

void SdlInputDriver::pressKey(int code) { keyboard_->pressKey(code); }
void SdlInputDriver::releaseKey(int code) { keyboard_->releaseKey(code); }
void SdlInputDriver::pressMouseButton(int button) { mouse_->pressButton(button); }
void SdlInputDriver::releaseMouseButton(int button) { mouse_->releaseButton(button); }
void SdlInputDriver::setMousePosition(int x, int y) { mouse_->setPosition(x, y); }
void SdlInputDriver::deviceKey(int code, bool down) { keyboard_->report(code, down); }
void SdlInputDriver::deviceMouseMotion(int dx, int dy) { mouse_->reportMotion(dx, dy); }
void SdlInputDriver::deviceMouseButton(int button, bool down) { mouse_->reportButton(button, down); }

void SdlInputDriver::acquireAll() {
  hidePointer();
  mouse_->acquire();
  keyboard_->acquire();
  acquired_ = true;
}

void SdlInputDriver::unacquireAll() {
  acquired_ = false;
  keyboard_->unacquire();
  mouse_->unacquire();
  showPointer();
}

void SdlInputDriver::positionMouse(int x, int y) {
  mouse_->setPosition(x, y);
  if (!acquired_) host_.moveSystemPointer(x, y);
}

InputDevice* SdlInputDriver::keyboard() const { return keyboard_.get(); }
InputDevice* SdlInputDriver::mouse() const { return mouse_.get(); }

int SdlInputDriver::joystickCount() {
  refreshJoysticks();
  return static_cast<int>(joysticks_.size());
}

InputDevice* SdlInputDriver::joystick(int port) {
  refreshJoysticks();
  if (port < 0 || port >= static_cast<int>(joysticks_.size())) return nullptr;
  return joysticks_[static_cast<size_t>(port)].get();
}

int SdlInputDriver::joystickType(int port) {
  refreshJoysticks();
  if (port < 0 || port >= static_cast<int>(joysticks_.size())) return 0;
  return joysticks_[static_cast<size_t>(port)]->type();
}

int SdlInputDriver::translateKey(int code) const {
  return korva::translateKey(code, modifiersOf(*keyboard_));
}

void SdlInputDriver::refreshJoysticks() {
  if (!joysticksTried_) startJoysticks();
  if (!joysticksReady_) return;
  // SDL learns of pads and of their state in its update; at most every few milliseconds,
  // however often the program asks.
  uint32_t now = SDL_GetTicks();
  if (now - lastSdlUpdate_ >= JoystickDevice::kPollIntervalMs || lastSdlUpdate_ == 0) {
    lastSdlUpdate_ = now;
    SDL_JoystickUpdate();
  }
  for (auto& pad : joysticks_) {
    if (pad->connected() && !pad->attached()) pad->disconnect();
  }
  int count = SDL_NumJoysticks();
  for (int index = 0; index < count; ++index) {
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    bool listed = false;
    for (const auto& pad : joysticks_) listed = listed || pad->instanceId() == id;
    if (!listed) openJoystick(index);
  }
}

void SdlInputDriver::openJoystick(int deviceIndex) {
  // A pad SDL knows the layout of is read in the standard layout; others as they number.
  SDL_GameController* controller = SDL_IsGameController(deviceIndex) ? SDL_GameControllerOpen(deviceIndex) : nullptr;
  SDL_Joystick* joystick = controller ? SDL_GameControllerGetJoystick(controller) : SDL_JoystickOpen(deviceIndex);
  if (!joystick) {
    if (controller) SDL_GameControllerClose(controller);
    return;  // left out, as a device that cannot be opened
  }
  std::string identity = identityOf(joystick);
  for (auto& pad : joysticks_) {
    if (!pad->connected() && pad->identity() == identity) {
      pad->reconnect(joystick, controller);
      return;
    }
  }
  int type = controller ? 1 : 2;
  joysticks_.push_back(std::make_unique<JoystickDevice>(*this, joystick, controller, type, std::move(identity)));
}

}  // namespace korva
