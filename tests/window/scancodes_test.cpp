#include "window/scancodes.h"

#include <SDL2/SDL_keyboard.h>
#include <gtest/gtest.h>

#include <map>

namespace korva {
namespace {

TEST(ScanCodes, KeysProgramsTestForHaveTheirCodes) {
  const std::map<SDL_Scancode, int> expected = {
      {SDL_SCANCODE_ESCAPE, 1},    {SDL_SCANCODE_1, 2},          {SDL_SCANCODE_0, 11},
      {SDL_SCANCODE_BACKSPACE, 14}, {SDL_SCANCODE_TAB, 15},      {SDL_SCANCODE_Q, 16},
      {SDL_SCANCODE_P, 25},        {SDL_SCANCODE_RETURN, 28},    {SDL_SCANCODE_LCTRL, 29},
      {SDL_SCANCODE_A, 30},        {SDL_SCANCODE_L, 38},         {SDL_SCANCODE_LSHIFT, 42},
      {SDL_SCANCODE_Z, 44},        {SDL_SCANCODE_M, 50},         {SDL_SCANCODE_RSHIFT, 54},
      {SDL_SCANCODE_LALT, 56},     {SDL_SCANCODE_SPACE, 57},     {SDL_SCANCODE_CAPSLOCK, 58},
      {SDL_SCANCODE_F1, 59},       {SDL_SCANCODE_F10, 68},       {SDL_SCANCODE_F11, 87},
      {SDL_SCANCODE_F12, 88},      {SDL_SCANCODE_KP_7, 71},      {SDL_SCANCODE_KP_0, 82},
      {SDL_SCANCODE_KP_PERIOD, 83}, {SDL_SCANCODE_KP_MULTIPLY, 55}, {SDL_SCANCODE_KP_ENTER, 156},
      {SDL_SCANCODE_RCTRL, 157},   {SDL_SCANCODE_KP_DIVIDE, 181}, {SDL_SCANCODE_RALT, 184},
      {SDL_SCANCODE_HOME, 199},    {SDL_SCANCODE_UP, 200},       {SDL_SCANCODE_PAGEUP, 201},
      {SDL_SCANCODE_LEFT, 203},    {SDL_SCANCODE_RIGHT, 205},    {SDL_SCANCODE_END, 207},
      {SDL_SCANCODE_DOWN, 208},    {SDL_SCANCODE_PAGEDOWN, 209}, {SDL_SCANCODE_INSERT, 210},
      {SDL_SCANCODE_DELETE, 211},  {SDL_SCANCODE_LGUI, 219},     {SDL_SCANCODE_RGUI, 220},
      {SDL_SCANCODE_APPLICATION, 221},
  };
  for (const auto& [scancode, code] : expected)
    EXPECT_EQ(keyCodeForScancode(scancode), code) << SDL_GetScancodeName(scancode);
}

TEST(ScanCodes, EveryKeyOfAUsKeyboardHasItsOwnCode) {
  std::map<int, SDL_Scancode> owner;
  int mapped = 0;
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    auto scancode = static_cast<SDL_Scancode>(sc);
    int code = keyCodeForScancode(scancode);
    ASSERT_GE(code, 0);
    ASSERT_LE(code, 255);
    if (code == 0) continue;
    ++mapped;
    // Only keys that are the same key under another name may share a code.
    if (scancode == SDL_SCANCODE_NONUSHASH || scancode == SDL_SCANCODE_AUDIOMUTE) continue;
    auto [it, fresh] = owner.emplace(code, scancode);
    EXPECT_TRUE(fresh) << SDL_GetScancodeName(scancode) << " and "
                       << SDL_GetScancodeName(it->second) << " share " << code;
  }
  // 104 keys of a US keyboard, all mapped (the rest are media and international keys).
  EXPECT_GE(mapped, 104);
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
    EXPECT_NE(keyCodeForScancode(static_cast<SDL_Scancode>(sc)), 0)
        << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
}

TEST(ScanCodes, OutOfRangeScancodesHaveNoCode) {
  EXPECT_EQ(keyCodeForScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(keyCodeForScancode(SDL_NUM_SCANCODES), 0);
  EXPECT_EQ(keyCodeForScancode(SDL_SCANCODE_F24), 0);
}

}  // namespace
}  // namespace korva
