// The input line's editing keys, one key sequence per case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/console/private/line_editor.h"

namespace korva::graphics {
namespace {

constexpr int kHome = 1, kEnd = 2, kDelete = 4, kBackspace = 8, kEnter = 13, kEscape = 27, kRight = 30, kLeft = 31;

struct EditCase {
  const char* what;
  std::vector<int> keys;
  std::string text;
  size_t caret;
};

std::vector<int> typed(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(LineEditor, EditingKeys) {
  const EditCase cases[] = {
      {"typing", typed("abc"), "abc", 3},
      {"left then insert", typed("ac") + std::vector{kLeft} + typed("b"), "abc", 2},
      {"left stops at the start", typed("ab") + std::vector{kLeft, kLeft, kLeft}, "ab", 0},
      {"right stops at the end", typed("ab") + std::vector{kLeft, kRight, kRight}, "ab", 2},
      {"home and end", typed("abc") + std::vector{kHome}, "abc", 0},
      {"end", typed("abc") + std::vector{kHome, kEnd}, "abc", 3},
      {"backspace", typed("abc") + std::vector{kBackspace}, "ab", 2},
      {"backspace at the start", typed("abc") + std::vector{kHome, kBackspace}, "abc", 0},
      {"backspace inside", typed("abc") + std::vector{kLeft, kBackspace}, "ac", 1},
      {"delete at the caret", typed("abc") + std::vector{kHome, kDelete}, "bc", 0},
      {"delete at the end", typed("abc") + std::vector{kDelete}, "abc", 3},
      {"escape empties", typed("abc") + std::vector{kEscape}, "", 0},
      {"escape then typing", typed("abc") + std::vector{kEscape} + typed("d"), "d", 1},
      {"below the font's range", typed("a") + std::vector{9, 28, 29, 3, 5, 6}, "a", 1},
      {"above the font's range", typed("a") + std::vector{200, 255}, "a", 1},
      {"top of the range", typed("a") + std::vector{199}, "a\xC7", 2},
  };
  for (const EditCase& c : cases) {
    LineEditor editor(32, 200);
    for (int key : c.keys) EXPECT_EQ(editor.apply(key), LineEditor::Outcome::Editing) << c.what << ", key " << key;
    EXPECT_EQ(editor.text(), c.text) << c.what;
    EXPECT_EQ(editor.caret(), c.caret) << c.what;
  }
}

TEST(LineEditor, EnterKeepsTheLineAndNoKeyEmptiesIt) {
  LineEditor entered(32, 256), ended(32, 256);
  for (int key : typed("abc")) {
    entered.apply(key);
    ended.apply(key);
  }
  EXPECT_EQ(entered.apply(kEnter), LineEditor::Outcome::Done);
  EXPECT_EQ(entered.text(), "abc");
  EXPECT_EQ(ended.apply(0), LineEditor::Outcome::Done);
  EXPECT_EQ(ended.text(), "");
}

}  // namespace
}  // namespace korva::graphics
