// The run-time's own keys. Games read every plain key, F-keys included, so these carry a
// modifier (Print Screen excepted, which games leave alone), and neither their presses nor
// their releases reach the program:
//   Alt+Enter          desktop full screen on and off (windowed display states)
//   Alt+F12, PrtScr    a screenshot of the picture the player sees
#pragma once
#include <SDL2/SDL_keyboard.h>

#include <bitset>
#include <cstdint>

struct SDL_KeyboardEvent;

namespace korva {

enum class HotKey { kNone, kToggleFullScreen, kScreenshot };

// The hot key a press with these modifiers makes, or kNone.
HotKey hotKeyFor(SDL_Scancode scancode, uint16_t modifiers);

class HotKeyFilter {
 public:
  struct Verdict {
    HotKey action = HotKey::kNone;  // set on the first press only, not on repeats
    bool taken = false;             // the event is the run-time's, not the program's
  };
  // A hot key's press is taken, and so are its repeats and its release, whatever the
  // modifiers are by then; every other key event is the program's.
  Verdict filter(const SDL_KeyboardEvent& key);

 private:
  std::bitset<SDL_NUM_SCANCODES> held_;
};

}  // namespace korva
