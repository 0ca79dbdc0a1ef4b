// Scripted input for the demo game, shared by the tests that play it headless.
#pragma once

namespace korva::test {

// Start from the title, fire while moving, end the game with Esc, type "ZED" and Enter.
inline constexpr const char* kDemoShortGame =
    "0 mouse move 320 400\n"
    "5 key down 57\n6 key up 57\n"
    "10 key down 57\n"
    "20 key down 205\n70 key up 205\n"
    "80 key down 203\n150 key up 203\n"
    "150 key up 57\n"
    "160 key down 1\n161 key up 1\n"
    "170 key down 44\n171 key up 44\n"
    "174 key down 18\n175 key up 18\n"
    "178 key down 32\n179 key up 32\n"
    "184 key down 28\n185 key up 28\n";

}  // namespace korva::test
