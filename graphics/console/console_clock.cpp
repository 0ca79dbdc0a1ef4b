#include "graphics/console/console_clock.h"

#include <chrono>

#include "graphics/module/graphics_state.h"
#include "run/run_context.h"

namespace korva::graphics {
namespace {

class RealClock final : public ConsoleClock {
 public:
  uint32_t now() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  bool pause(int ms) override {
    RunContext* run = state().run;
    return run && run->delay(ms);
  }
};

RealClock g_realClock;
ConsoleClock* g_clock = nullptr;

}  // namespace

ConsoleClock& consoleClock() { return g_clock ? *g_clock : g_realClock; }

void setConsoleClock(ConsoleClock* clock) { g_clock = clock; }

}  // namespace korva::graphics
