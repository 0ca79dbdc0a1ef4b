// Keys for the console tests on a clock of their own: the test lays down when each key goes
// down or up, and the console's Input meets them in virtual time, 20 ms per look at the
// keyboard, so blink phases and key repeat come out the same on any machine.
#pragma once
#include <SDL2/SDL.h>

#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "graphics/console/console_clock.h"
#include "graphics/module/graphics_state.h"
#include "run/run_context.h"

namespace korva::test {

inline void pushKey(SDL_Scancode scancode, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = scancode;
  SDL_PushEvent(&event);
}

inline void pushQuit() {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

// Installed as the console clock for its lifetime. Actions due at a time run, in the order
// they were laid down, when the clock is read or paused at or after that time.
class ScriptedClock final : public graphics::ConsoleClock {
 public:
  // A run that loses its Enter ends here instead of waiting forever.
  static constexpr uint32_t kGiveUpMs = 60000;

  ScriptedClock() {
    graphics::setConsoleClock(this);
    at(kGiveUpMs, pushQuit);
  }
  ~ScriptedClock() override { graphics::setConsoleClock(nullptr); }
  ScriptedClock(const ScriptedClock&) = delete;
  ScriptedClock& operator=(const ScriptedClock&) = delete;

  void at(uint32_t t, std::function<void()> action) { actions_.emplace(t, std::move(action)); }
  void key(uint32_t t, SDL_Scancode scancode, bool down) {
    at(t, [=] { pushKey(scancode, down); });
  }
  void tap(uint32_t t, SDL_Scancode scancode) {
    key(t, scancode, true);
    key(t, scancode, false);
  }
  // Letters and spaces.
  void type(uint32_t t, const std::string& text) {
    for (char c : text) tap(t, scancodeOf(c));
  }
  void hold(uint32_t from, uint32_t until, SDL_Scancode scancode) {
    key(from, scancode, true);
    key(until, scancode, false);
  }

  uint32_t now() override {
    runDue();
    return now_;
  }
  bool pause(int ms) override {
    now_ += static_cast<uint32_t>(ms);
    runDue();
    RunContext* run = graphics::state().run;
    return run && run->poll();
  }
  static SDL_Scancode scancodeOf(char c) {
    if (c == ' ') return SDL_SCANCODE_SPACE;
    return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (std::tolower(static_cast<unsigned char>(c)) - 'a'));
  }

 private:
  void runDue() {
    while (!actions_.empty() && actions_.begin()->first <= now_) {
      auto action = std::move(actions_.begin()->second);
      actions_.erase(actions_.begin());
      action();
    }
  }

  uint32_t now_ = 0;
  std::multimap<uint32_t, std::function<void()>> actions_;
};

}  // namespace korva::test
