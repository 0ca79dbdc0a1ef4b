// The keyboard. Unacquired it is fed by the window's key events; acquired (full screen) it
// reads its own buffer of key reports, as a device read directly would.
#pragma once
#include <array>
#include <cstdint>

#include "input/devices/input_device.h"

namespace korva {

class InputHost;

class KeyboardDevice final : public InputDevice {
 public:
  static constexpr int kBufferSize = 32;

  explicit KeyboardDevice(InputHost& host) : host_(host) {}

  // The window's path (windowed states).
  void pressKey(int code) { press(code); }
  void releaseKey(int code) { release(code); }
  // The device's own report (full screen): kept while acquired, up to kBufferSize between
  // two reads; later ones are lost, as with a full hardware buffer.
  void report(int code, bool down);

 protected:
  void update() override;
  bool acquireSource() override;
  void unacquireSource() override;

 private:
  struct Report {
    uint8_t code;
    bool down;
  };
  InputHost& host_;
  std::array<Report, kBufferSize> buffer_{};
  int buffered_ = 0;
};

}  // namespace korva
