#include "input/devices/pad_layout.h"

#include <cmath>

#include "input/devices/joystick_device.h"

namespace korva {
namespace {

constexpr int kLeftX = 0, kLeftY = 1, kLeftTrigger = 4, kRightTrigger = 5;
constexpr int kDpadUp = 11, kDpadDown = 12, kDpadLeft = 13, kDpadRight = 14;
constexpr int kTriggerPressed = 16384;
// The same threshold as the direction commands' third.
constexpr float kResting = 0.33333334f;

float padAxisValue(int value) { return joystickAxisValue(value + 32768); }

// The stick's value, or the D-pad's full throw while the stick rests.
float withDpad(float stick, bool negative, bool positive) {
  if (std::fabs(stick) > kResting || negative == positive) return stick;
  return negative ? -1.0f : 1.0f;
}

}  // namespace

PadReading standardLayout(const PadState& pad) {
  PadReading r;
  const auto& b = pad.buttons;
  r.axes[0] = withDpad(padAxisValue(pad.axes[kLeftX]), b[kDpadLeft], b[kDpadRight]);
  r.axes[1] = withDpad(padAxisValue(pad.axes[kLeftY]), b[kDpadUp], b[kDpadDown]);
  // Triggers rest at 0 and reach 32767; their difference rests in the middle.
  r.axes[2] = padAxisValue(pad.axes[kRightTrigger] - pad.axes[kLeftTrigger]);
  for (size_t i = 0; i < b.size(); ++i) r.down[i + 1] = b[i];
  r.down[22] = pad.axes[kLeftTrigger] > kTriggerPressed;
  r.down[23] = pad.axes[kRightTrigger] > kTriggerPressed;
  return r;
}

}  // namespace korva
