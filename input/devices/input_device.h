// One device object for the keyboard, the mouse and each joystick: per code a down flag
// and a hit counter, a short queue of presses in arrival order, and a set of axes. Every
// query first brings the device up to date through its kind's update.
#pragma once
#include <array>
#include <cstdint>

namespace korva {

class InputDevice {
 public:
  static constexpr int kCodes = 256;
  static constexpr int kAxes = 32;
  static constexpr int kQueue = 32;

  virtual ~InputDevice() = default;

  // Codes outside 0..255 and axes outside 0..31 read as 0 and change nothing.
  int isDown(int code);
  // The presses since the last call (or flush); the counter starts again at 0.
  int takeHits(int code);
  // The oldest queued press, or 0 when the queue is empty.
  int nextEvent();
  float axis(int index);
  // Forgets pending hits and queued presses; held keys stay down, axes stay.
  void flush();
  // Each change between acquired and not clears the whole state.
  void acquire();
  void unacquire();
  bool acquired() const { return acquired_; }

  // The down flag as it stands, without an update (for key translation).
  bool downFlag(int code) const;

 protected:
  // Brings the state up to date from the device's source; nothing in the base.
  virtual void update() {}
  // Takes (on the change to acquired) or gives back the source behind the device; true
  // when it can be read.
  virtual bool acquireSource() { return true; }
  virtual void unacquireSource() {}

  // A press counts and queues (while there is room); a release only clears the flag.
  void press(int code);
  void release(int code);
  // Presses or releases only when the state differs from the flag.
  void set(int code, bool down);
  void setAxis(int index, float value);
  float axisValue(int index) const;

 private:
  void reset();

  std::array<float, kAxes> axes_{};
  std::array<int32_t, kCodes> hits_{};
  std::array<uint8_t, kCodes> down_{};
  std::array<int32_t, kQueue> queue_{};
  // Free-running counters: the slot is the counter modulo 32, the fill is put - get.
  uint32_t put_ = 0;
  uint32_t get_ = 0;
  bool acquired_ = false;
};

}  // namespace korva
