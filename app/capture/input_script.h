// The scripted input of a headless capture: what the user would have done, frame by frame.
//
// One action per line; blank lines and everything after a # are ignored:
//   <frame> key down|up <keycode>      keycode: 1..255, the set-1 key codes programs use
//   <frame> mouse down|up <button>     button: 1 left, 2 right, 3 middle
//   <frame> mouse move <x> <y>         window coordinates
// Frame F means right after the F-th frame is shown (0: before the program starts).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korva::capture {

struct InputAction {
  enum Kind { KeyDown, KeyUp, MouseDown, MouseUp, MouseMove };
  int64_t frame = 0;
  Kind kind = KeyDown;
  int a = 0;  // key code, button, or x
  int b = 0;  // y
  bool operator==(const InputAction&) const = default;
};

struct InputScript {
  std::vector<InputAction> actions;  // in frame order; one frame keeps the file's order
  std::string error;                 // one line naming the line at fault; empty when valid
};

// source names the script in error messages.
InputScript parseInputScript(std::string_view text, const std::string& source);
InputScript loadInputScript(const std::string& path);

}  // namespace korva::capture
