// The standard layout of a pad that SDL's controller database knows (or a mapping the
// player added): the same physical control has the same number on every such pad.
//
// Buttons, as JoyDown, JoyHit and GetJoy count them:
//    1 A (bottom face button)   2 B (right)      3 X (left)        4 Y (top)
//    5 Back/Select              6 Guide          7 Start
//    8 left stick pressed       9 right stick pressed
//   10 left shoulder           11 right shoulder
//   12 D-pad up  13 D-pad down  14 D-pad left  15 D-pad right
//   16 misc (share, capture)   17-20 paddles 1-4   21 touchpad
//   22 left trigger, 23 right trigger (pressed past half way)
// Axes: JoyX and JoyY the left stick (right and down positive), JoyZ the right trigger
// less the left one. While the stick rests within a third of its centre, the D-pad moves
// JoyX and JoyY fully, so a game that steers with them works from either.
#pragma once
#include <array>
#include <cstdint>

namespace korva {

inline constexpr int kPadButtons = 23;

struct PadState {
  // SDL's order: left x, left y, right x, right y, left trigger, right trigger.
  std::array<int16_t, 6> axes{};
  // SDL's order: A, B, X, Y, back, guide, start, sticks, shoulders, D-pad, misc, paddles,
  // touchpad.
  std::array<bool, 21> buttons{};
};

struct PadReading {
  std::array<float, 3> axes{};                 // x, y, z
  std::array<bool, kPadButtons + 1> down{};    // [n] for button n; [0] unused
};

PadReading standardLayout(const PadState& pad);

}  // namespace korva
