#include "graphics/console/private/key_reader.h"

#include "graphics/console/console_clock.h"
#include "input/devices/input_device.h"
#include "input/driver/input_driver.h"
#include "run/run_context.h"

namespace korva::graphics {

KeyReader::KeyReader(RunContext& run, SdlInputDriver* input, ConsoleClock& clock)
    : run_(run), input_(input), keyboard_(input ? input->keyboard() : nullptr), clock_(clock) {}

int KeyReader::translate(int code) const { return code != 0 ? input_->translateKey(code) : 0; }

int KeyReader::wait(const std::function<void(uint32_t)>& blink) {
  const uint32_t t0 = clock_.now();
  if (!run_.poll()) return 0;
  bool drawn = false;
  uint32_t lastPhase = 0;
  do {
    const uint32_t phase = (clock_.now() - t0) / kBlinkMs;
    if (!drawn || phase != lastPhase) {
      blink(phase);
      drawn = true;
      lastPhase = phase;
    }
    if (keyboard_) {
      // A press without a character (Shift) is used up here but starts no repeat.
      const int code = keyboard_->nextEvent();
      if (int key = translate(code)) {
        held_ = code;
        repeatStart_ = clock_.now();
        repeatDelay_ = kFirstRepeatMs;
        return key;
      }
      if (held_ != 0) {
        if (!keyboard_->isDown(held_)) {
          held_ = 0;
        } else if (clock_.now() - repeatStart_ > repeatDelay_) {
          if (int key = translate(held_)) {
            // From the time the repeat was due, so a late look does not slow the rate.
            repeatStart_ += repeatDelay_;
            repeatDelay_ = kRepeatMs;
            return key;
          }
        }
      }
    }
    clock_.pause(kLookMs);
  } while (run_.poll());
  return 0;
}

}  // namespace korva::graphics
