#include "input/devices/keyboard_device.h"

#include "input/devices/input_host.h"

namespace korva {

void KeyboardDevice::report(int code, bool down) {
  if (!acquired() || code < 1 || code > 255 || buffered_ == kBufferSize) return;
  buffer_[buffered_++] = {static_cast<uint8_t>(code), down};
}

void KeyboardDevice::update() {
  // The reports reach the buffer through the window's event queue, so it is serviced in
  // the acquired state too.
  host_.pollEvents();
  if (!acquired()) return;
  // Every reported press counts, even one for a key already down.
  for (int i = 0; i < buffered_; ++i) {
    if (buffer_[i].down) {
      press(buffer_[i].code);
    } else {
      release(buffer_[i].code);
    }
  }
  buffered_ = 0;
}

bool KeyboardDevice::acquireSource() {
  buffered_ = 0;
  return true;
}

void KeyboardDevice::unacquireSource() { buffered_ = 0; }

}  // namespace korva
