// The input module: keyboard, mouse and joystick commands over the input driver's devices.
#include <cmath>
#include <memory>

#include "core/errors.h"
#include "link/module.h"
#include "input/commands/input_commands.h"
#include "input/devices/input_device.h"
#include "input/driver/input_driver.h"
#include "run/run_context.h"

namespace korva {
namespace {

// A waiting command takes at most one queued code per pass.
constexpr int kWaitPassMs = 20;
// The single-precision values nearest to -1/3 and 1/3.
constexpr float kDirectionThreshold = 0.33333334f;

struct ModuleState {
  RunContext* run = nullptr;
  SdlInputDriver* driver = nullptr;
  InputDevice* keyboard = nullptr;
  InputDevice* mouse = nullptr;
  int32_t lastX = 0;
  int32_t lastY = 0;
};
ModuleState g;

// An axis as a whole number, truncated toward zero and kept inside the 32-bit range.
int32_t truncated(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// Differences wrap like the 32-bit arithmetic they stand for.
int32_t difference(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

InputDevice* pad(int32_t port) { return g.driver ? g.driver->joystick(port) : nullptr; }

// Polls, takes a code, then waits out the pass; a program told to end ends quietly.
template <typename Take>
int32_t waitFor(Take take) {
  if (!g.run) return 0;
  for (;;) {
    g.run->pollOrEnd();
    if (int32_t code = take()) return code;
    g.run->delay(kWaitPassMs);
  }
}

}  // namespace

namespace input {

int32_t axisDirection(float value) {
  if (value < -kDirectionThreshold) return -1;
  if (value > kDirectionThreshold) return 1;
  return 0;
}

int32_t KeyDown(int32_t key) { return g.keyboard ? g.keyboard->isDown(key) : 0; }
int32_t KeyHit(int32_t key) { return g.keyboard ? g.keyboard->takeHits(key) : 0; }

int32_t GetKey() {
  if (!g.keyboard) return 0;
  return g.driver->translateKey(g.keyboard->nextEvent());
}

int32_t WaitKey() {
  if (!g.keyboard) return 0;
  // A code without a character (Shift, a function key) is dropped and the wait goes on.
  return waitFor([] { return g.driver->translateKey(g.keyboard->nextEvent()); });
}

void FlushKeys() {
  if (g.keyboard) g.keyboard->flush();
}

int32_t MouseDown(int32_t button) { return g.mouse ? g.mouse->isDown(button) : 0; }
int32_t MouseHit(int32_t button) { return g.mouse ? g.mouse->takeHits(button) : 0; }
int32_t GetMouse() { return g.mouse ? g.mouse->nextEvent() : 0; }

int32_t WaitMouse() {
  if (!g.mouse) return 0;
  return waitFor([] { return g.mouse->nextEvent(); });
}

int32_t MouseX() { return g.mouse ? truncated(g.mouse->axis(0)) : 0; }
int32_t MouseY() { return g.mouse ? truncated(g.mouse->axis(1)) : 0; }

int32_t MouseXSpeed() {
  int32_t x = MouseX();
  int32_t speed = difference(x, g.lastX);
  g.lastX = x;
  return speed;
}

int32_t MouseYSpeed() {
  int32_t y = MouseY();
  int32_t speed = difference(y, g.lastY);
  g.lastY = y;
  return speed;
}

void FlushMouse() {
  if (g.mouse) g.mouse->flush();
}

void MoveMouse(int32_t x, int32_t y) {
  g.lastX = x;
  g.lastY = y;
  if (g.driver) g.driver->positionMouse(x, y);
}

int32_t JoyType(int32_t port) { return g.driver ? g.driver->joystickType(port) : 0; }

int32_t JoyDown(int32_t button, int32_t port) {
  InputDevice* d = pad(port);
  return d ? d->isDown(button) : 0;
}

int32_t JoyHit(int32_t button, int32_t port) {
  InputDevice* d = pad(port);
  return d ? d->takeHits(button) : 0;
}

int32_t GetJoy(int32_t port) {
  InputDevice* d = pad(port);
  return d ? d->nextEvent() : 0;
}

int32_t WaitJoy(int32_t port) {
  // Ports never go away, so the device found now is the one to wait on.
  InputDevice* d = pad(port);
  if (!d) return 0;
  return waitFor([d] { return d->nextEvent(); });
}

float JoyX(int32_t port) {
  InputDevice* d = pad(port);
  return d ? d->axis(0) : 0.0f;
}
float JoyY(int32_t port) {
  InputDevice* d = pad(port);
  return d ? d->axis(1) : 0.0f;
}
float JoyZ(int32_t port) {
  InputDevice* d = pad(port);
  return d ? d->axis(2) : 0.0f;
}

int32_t JoyXDir(int32_t port) { return axisDirection(JoyX(port)); }
int32_t JoyYDir(int32_t port) { return axisDirection(JoyY(port)); }
int32_t JoyZDir(int32_t port) { return axisDirection(JoyZ(port)); }

void FlushJoy() {
  if (!g.driver) return;
  // Counted afresh each time: a flush may bring in a pad plugged in meanwhile.
  for (int port = 0; port < g.driver->joystickCount(); ++port) g.driver->joystick(port)->flush();
}

}  // namespace input

namespace {

bool startInput(RunContext& run) {
  SdlInputDriver* opened = run.openInput();
  if (!opened) return false;
  g = ModuleState{};
  g.run = &run;
  g.driver = opened;
  g.keyboard = opened->keyboard();
  g.mouse = opened->mouse();
  if (!g.keyboard || !g.mouse) {
    run.closeInput(opened);
    g = ModuleState{};
    return false;
  }
  return true;
}

void endInput() {
  if (g.run) g.run->closeInput(g.driver);
  g = ModuleState{};
}


using namespace input;

const SymbolDef kInputSymbols[] = {
    KORVA_ROUTINE("%KeyDown%key", KeyDown),
    KORVA_ROUTINE("%KeyHit%key", KeyHit),
    KORVA_ROUTINE("%GetKey", GetKey),
    KORVA_ROUTINE("%WaitKey", WaitKey),
    KORVA_ROUTINE("FlushKeys", FlushKeys),
    KORVA_ROUTINE("%MouseDown%button", MouseDown),
    KORVA_ROUTINE("%MouseHit%button", MouseHit),
    KORVA_ROUTINE("%GetMouse", GetMouse),
    KORVA_ROUTINE("%WaitMouse", WaitMouse),
    KORVA_ROUTINE("%MouseWait", WaitMouse),
    KORVA_ROUTINE("%MouseX", MouseX),
    KORVA_ROUTINE("%MouseY", MouseY),
    KORVA_ROUTINE("%MouseXSpeed", MouseXSpeed),
    KORVA_ROUTINE("%MouseYSpeed", MouseYSpeed),
    KORVA_ROUTINE("FlushMouse", FlushMouse),
    KORVA_ROUTINE("MoveMouse%x%y", MoveMouse),
    KORVA_ROUTINE("%JoyType%port=0", JoyType),
    KORVA_ROUTINE("%JoyDown%button%port=0", JoyDown),
    KORVA_ROUTINE("%JoyHit%button%port=0", JoyHit),
    KORVA_ROUTINE("%GetJoy%port=0", GetJoy),
    KORVA_ROUTINE("%WaitJoy%port=0", WaitJoy),
    KORVA_ROUTINE("%JoyWait%port=0", WaitJoy),
    KORVA_ROUTINE("#JoyX%port=0", JoyX),
    KORVA_ROUTINE("#JoyY%port=0", JoyY),
    KORVA_ROUTINE("#JoyZ%port=0", JoyZ),
    KORVA_ROUTINE("%JoyXDir%port=0", JoyXDir),
    KORVA_ROUTINE("%JoyYDir%port=0", JoyYDir),
    KORVA_ROUTINE("%JoyZDir%port=0", JoyZDir),
    KORVA_ROUTINE("FlushJoy", FlushJoy),
};

}  // namespace

KORVA_MODULE(input, kInputSymbols, startInput, endInput)

}  // namespace korva
