#include "window/hot_keys.h"

#include <SDL2/SDL_events.h>

namespace korva {

HotKey hotKeyFor(SDL_Scancode scancode, uint16_t modifiers) {
  if (scancode == SDL_SCANCODE_PRINTSCREEN) return HotKey::kScreenshot;
  // Alt alone: with Control or the logo key held the chord belongs to the desktop.
  const bool altOnly = (modifiers & KMOD_ALT) != 0 && (modifiers & (KMOD_CTRL | KMOD_GUI)) == 0;
  if (!altOnly) return HotKey::kNone;
  switch (scancode) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return HotKey::kToggleFullScreen;
    case SDL_SCANCODE_F12: return HotKey::kScreenshot;
    default: return HotKey::kNone;
  }
}

HotKeyFilter::Verdict HotKeyFilter::filter(const SDL_KeyboardEvent& key) {
  const SDL_Scancode sc = key.keysym.scancode;
  if (sc <= SDL_SCANCODE_UNKNOWN || sc >= SDL_NUM_SCANCODES) return {};
  const size_t index = static_cast<size_t>(sc);
  if (key.type == SDL_KEYUP) {
    if (!held_.test(index)) return {};
    held_.reset(index);
    return {HotKey::kNone, true};
  }
  if (held_.test(index)) return {HotKey::kNone, true};  // a repeat of a taken press
  const HotKey action = hotKeyFor(sc, key.keysym.mod);
  if (action == HotKey::kNone) return {};
  held_.set(index);
  return {action, true};
}

}  // namespace korva
