#include "input/keys/key_translation.h"

#include <array>
#include <cstdint>
#include <utility>

#include "input/devices/input_device.h"

namespace korva {
namespace {

struct KeyChars {
  uint8_t plain;
  uint8_t shifted;
};

// Main-block key codes (0..127) to their characters on a US layout. The keypad's number
// and dot keys are cursor keys here, as without Num Lock, and so have none.
constexpr std::pair<uint8_t, KeyChars> kLayout[] = {
    {1, {27, 27}},     {2, {'1', '!'}},   {3, {'2', '@'}},   {4, {'3', '#'}},
    {5, {'4', '$'}},   {6, {'5', '%'}},   {7, {'6', '^'}},   {8, {'7', '&'}},
    {9, {'8', '*'}},   {10, {'9', '('}},  {11, {'0', ')'}},  {12, {'-', '_'}},
    {13, {'=', '+'}},  {14, {8, 8}},      {15, {9, 9}},      {16, {'q', 'Q'}},
    {17, {'w', 'W'}},  {18, {'e', 'E'}},  {19, {'r', 'R'}},  {20, {'t', 'T'}},
    {21, {'y', 'Y'}},  {22, {'u', 'U'}},  {23, {'i', 'I'}},  {24, {'o', 'O'}},
    {25, {'p', 'P'}},  {26, {'[', '{'}},  {27, {']', '}'}},  {28, {13, 13}},
    {30, {'a', 'A'}},  {31, {'s', 'S'}},  {32, {'d', 'D'}},  {33, {'f', 'F'}},
    {34, {'g', 'G'}},  {35, {'h', 'H'}},  {36, {'j', 'J'}},  {37, {'k', 'K'}},
    {38, {'l', 'L'}},  {39, {';', ':'}},  {40, {'\'', '"'}}, {41, {'`', '~'}},
    {43, {'\\', '|'}}, {44, {'z', 'Z'}},  {45, {'x', 'X'}},  {46, {'c', 'C'}},
    {47, {'v', 'V'}},  {48, {'b', 'B'}},  {49, {'n', 'N'}},  {50, {'m', 'M'}},
    {51, {',', '<'}},  {52, {'.', '>'}},  {53, {'/', '?'}},  {55, {'*', '*'}},
    {57, {' ', ' '}},  {74, {'-', '-'}},  {78, {'+', '+'}},  {86, {'\\', '|'}},
};

constexpr auto kTable = [] {
  std::array<KeyChars, 128> table{};
  for (const auto& [code, chars] : kLayout) table[code] = chars;
  return table;
}();

// What Control makes of a character: the control codes of letters and of a few
// punctuation keys; nothing for the rest.
int withControl(int c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return c & 0x1F;
  switch (c) {
    case '[': return 27;
    case '\\': return 28;
    case ']': return 29;
    case '^': return 30;
    case '_': return 31;
    case 13: return 10;
    case 8: return 127;
    case 27:
    case ' ': return c;
    default: return 0;
  }
}

int fixedCode(int code) {
  switch (code) {
    case 199: return 1;
    case 207: return 2;
    case 210: return 3;
    case 211: return 4;
    case 201: return 5;
    case 209: return 6;
    case 200: return 28;
    case 208: return 29;
    case 205: return 30;
    case 203: return 31;
    default: return -1;
  }
}

}  // namespace

KeyModifiers modifiersOf(const InputDevice& keyboard) {
  KeyModifiers m;
  m.shift = keyboard.downFlag(42) || keyboard.downFlag(54);
  m.control = keyboard.downFlag(29) || keyboard.downFlag(157);
  m.alt = keyboard.downFlag(56) || keyboard.downFlag(184);
  return m;
}

int translateKey(int code, KeyModifiers modifiers) {
  if (code < 0 || code > 255) return 0;
  if (int fixed = fixedCode(code); fixed >= 0) return fixed;
  const KeyChars& chars = kTable[code & 127];
  int c = modifiers.shift ? chars.shifted : chars.plain;
  if (c == 0) return 0;
  // Control with Alt is AltGr, which adds nothing to a US layout; Alt alone changes nothing.
  if (modifiers.control) return modifiers.alt ? 0 : withControl(c);
  return c;
}

}  // namespace korva
