// Key codes to the characters GetKey and WaitKey return, for a US keyboard layout.
#pragma once

namespace korva {

class InputDevice;

struct KeyModifiers {
  bool shift = false;
  bool control = false;
  bool alt = false;
};

// The modifier keys as the keyboard's down flags show them (either Shift, Control, Alt).
KeyModifiers modifiersOf(const InputDevice& keyboard);

// The character of key code (0..255) with those modifiers; 0 when it has none. The
// editing keys give fixed codes (Home 1, End 2, Insert 3, Delete 4, Page Up 5, Page Down
// 6, cursor up 28, down 29, right 30, left 31); other extended keys read as their
// main-block twins (keypad Enter gives 13).
int translateKey(int code, KeyModifiers modifiers);

}  // namespace korva
