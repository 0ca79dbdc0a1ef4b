// The keys of one Input: each new press once, and the key last pressed again while it is
// held, after 280 ms and then every 40 ms. The wait looks at the keyboard every 20 ms of
// the console clock and reports the caret's blink phase as it changes on the way.
#pragma once

#include <cstdint>
#include <functional>

namespace korva {

class InputDevice;
class SdlInputDriver;
class RunContext;

namespace graphics {

class ConsoleClock;

class KeyReader {
 public:
  static constexpr int kLookMs = 20;
  static constexpr uint32_t kBlinkMs = 320, kFirstRepeatMs = 280, kRepeatMs = 40;

  // Without a keyboard (no input driver) no key ever comes, and waiting ends only with
  // the program.
  KeyReader(RunContext& run, SdlInputDriver* input, ConsoleClock& clock);

  // The next key's character. blink(phase) is called with phase 0 first and again each
  // time the phase (one per 320 ms since the wait began) changes. 0 when the run says
  // the program must end.
  int wait(const std::function<void(uint32_t phase)>& blink);

 private:
  int translate(int code) const;

  RunContext& run_;
  SdlInputDriver* input_;
  InputDevice* keyboard_;
  ConsoleClock& clock_;
  int held_ = 0;  // the key code that repeats while it stays down; 0 for none
  uint32_t repeatStart_ = 0;
  uint32_t repeatDelay_ = 0;
};

}  // namespace graphics
}  // namespace korva
