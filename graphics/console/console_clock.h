// The time the console's Input reads: the blink phase and key repeat are counted on it,
// and its pause is the 20 ms step between looks at the keyboard. Real time unless a test
// installs its own, which makes the blink and repeat timing reproducible.
#pragma once

#include <cstdint>

namespace korva::graphics {

class ConsoleClock {
 public:
  virtual ~ConsoleClock() = default;
  // Milliseconds; only differences matter, and they wrap like 32-bit values.
  virtual uint32_t now() = 0;
  // Waits ms milliseconds keeping the window serviced; false when the program must end.
  virtual bool pause(int ms) = 0;
};

// The clock Input uses: the one installed, or real time through the runtime window.
ConsoleClock& consoleClock();
// Null puts real time back.
void setConsoleClock(ConsoleClock* clock);

}  // namespace korva::graphics
