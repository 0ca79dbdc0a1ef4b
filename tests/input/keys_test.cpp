// Key codes to characters, US layout.
#include <gtest/gtest.h>

#include "input/keys/key_translation.h"

namespace korva {
namespace {

struct KeyCase {
  int code;
  KeyModifiers modifiers;
  int expected;
};

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kShift{true, false, false};
constexpr KeyModifiers kControl{false, true, false};
constexpr KeyModifiers kAlt{false, false, true};
constexpr KeyModifiers kControlAlt{false, true, true};

TEST(TranslateKey, UsLayoutWithModifiers) {
  const KeyCase cases[] = {
      {0, kNone, 0},          {0, kShift, 0},          // empty queue
      {30, kNone, 'a'},       {30, kShift, 'A'},       {30, kControl, 1},
      {44, kControl, 26},     {30, kAlt, 'a'},         {30, kControlAlt, 0},
      {2, kNone, '1'},        {2, kShift, '!'},        {11, kShift, ')'},
      {12, kShift, '_'},      {12, kControl, 0},
      {13, kShift, '+'},      {39, kShift, ':'},       {40, kShift, '"'},
      {41, kNone, '`'},       {43, kNone, '\\'},       {53, kShift, '?'},
      {57, kNone, ' '},       {57, kControl, ' '},     {28, kNone, 13},
      {28, kControl, 10},     {14, kNone, 8},          {14, kControl, 127},
      {15, kNone, 9},         {1, kNone, 27},          {26, kControl, 27},
      {43, kControl, 28},     {27, kControl, 29},      {2, kControl, 0},
      {156, kNone, 13},       // keypad Enter reads as Enter
      {181, kNone, '/'},      // keypad divide reads as the slash key
      {55, kNone, '*'},       {74, kNone, '-'},        {78, kNone, '+'},
      {71, kNone, 0},         {82, kNone, 0},          // keypad digits: cursor keys here
      {42, kNone, 0},         {54, kShift, 0},         {29, kNone, 0},
      {56, kNone, 0},         {58, kNone, 0},          {59, kNone, 0},  // F1
      {88, kNone, 0},         {219, kNone, 0},         {255, kNone, 0},
      {-1, kNone, 0},         {256, kNone, 0},         {100000, kShift, 0},
  };
  for (const KeyCase& c : cases)
    EXPECT_EQ(translateKey(c.code, c.modifiers), c.expected)
        << "code " << c.code << " shift " << c.modifiers.shift << " control "
        << c.modifiers.control << " alt " << c.modifiers.alt;
}

TEST(TranslateKey, EditingKeysGiveFixedCodesWhateverIsHeld) {
  const std::pair<int, int> cases[] = {{199, 1}, {207, 2},  {210, 3},  {211, 4},  {201, 5},
                                       {209, 6}, {200, 28}, {208, 29}, {205, 30}, {203, 31}};
  for (auto [code, expected] : cases) {
    EXPECT_EQ(translateKey(code, kNone), expected) << code;
    EXPECT_EQ(translateKey(code, kControlAlt), expected) << code;
  }
}

TEST(TranslateKey, EveryLetterAndItsCapital) {
  const char* rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
  const int firstCode[] = {16, 30, 44};
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; rows[r][i]; ++i) {
      char c = rows[r][i];
      EXPECT_EQ(translateKey(firstCode[r] + i, kNone), c);
      EXPECT_EQ(translateKey(firstCode[r] + i, kShift), c - 'a' + 'A');
    }
  }
}

}  // namespace
}  // namespace korva
