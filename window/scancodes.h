// SDL scancodes to the key codes programs use: the key's set-1 scan code, with 128 added
// for extended keys (200 cursor up, 211 Delete...). Layout-independent: the code names
// the key's position on a US keyboard.
#pragma once
#include <SDL2/SDL_scancode.h>

namespace korva {

// 0 for keys that have no code.
int keyCodeForScancode(SDL_Scancode scancode);

}  // namespace korva
