#include "input/devices/input_device.h"

namespace korva {
namespace {

bool validCode(int code) { return code >= 0 && code < InputDevice::kCodes; }
bool validAxis(int index) { return index >= 0 && index < InputDevice::kAxes; }

}  // namespace

int InputDevice::isDown(int code) {
  update();
  return validCode(code) ? down_[code] : 0;
}

int InputDevice::takeHits(int code) {
  update();
  if (!validCode(code)) return 0;
  int hits = hits_[code];
  hits_[code] = 0;
  return hits;
}

int InputDevice::nextEvent() {
  update();
  if (put_ == get_) return 0;
  return queue_[get_++ % kQueue];
}

float InputDevice::axis(int index) {
  update();
  return validAxis(index) ? axes_[index] : 0.0f;
}

void InputDevice::flush() {
  update();
  hits_.fill(0);
  put_ = get_ = 0;
}

void InputDevice::acquire() {
  // Acquiring again is a no-op, as it is for the device behind it.
  if (acquired_) return;
  reset();
  acquired_ = acquireSource();
}

void InputDevice::unacquire() {
  unacquireSource();
  if (acquired_) reset();
  acquired_ = false;
}

bool InputDevice::downFlag(int code) const { return validCode(code) && down_[code] != 0; }

void InputDevice::press(int code) {
  if (!validCode(code)) return;
  down_[code] = 1;
  // Wraps instead of overflowing after 2^31 unread presses.
  hits_[code] = static_cast<int32_t>(static_cast<uint32_t>(hits_[code]) + 1u);
  if (put_ - get_ < kQueue) queue_[put_++ % kQueue] = code;
}

void InputDevice::release(int code) {
  if (validCode(code)) down_[code] = 0;
}

void InputDevice::set(int code, bool down) {
  if (!validCode(code) || (down_[code] != 0) == down) return;
  if (down) {
    press(code);
  } else {
    release(code);
  }
}

void InputDevice::setAxis(int index, float value) {
  if (validAxis(index)) axes_[index] = value;
}

float InputDevice::axisValue(int index) const { return validAxis(index) ? axes_[index] : 0.0f; }

void InputDevice::reset() {
  axes_.fill(0.0f);
  hits_.fill(0);
  down_.fill(0);
  put_ = get_ = 0;
}

}  // namespace korva
