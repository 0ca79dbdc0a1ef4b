// The line that Input edits: its text and the caret, moved by one key at a time.
//
//   key 13 (Enter) ........... done, the line as it stands
//   key 0 (no key: the end) .. done, with an empty line
//   27 (Escape) .............. line emptied, caret home
//   30 / 31 .................. caret right / left, stopping at the ends
//   1 (Home) / 2 (End) ....... caret to the start / the end
//   8 (Backspace) ............ the character before the caret goes, caret left
//   4 (Delete) ............... the character at the caret goes
//   first .. end - 1 ......... inserted at the caret, caret right
//   anything else ............ ignored (the font cannot show it)
#pragma once

#include <cstddef>
#include <string>

namespace korva::graphics {

class LineEditor {
 public:
  enum class Outcome { Editing, Done };

  // first .. end - 1 is the character range of the font the line is drawn in.
  LineEditor(int first, int end) : first_(first), end_(end) {}

  Outcome apply(int key);
  const std::string& text() const { return text_; }
  size_t caret() const { return caret_; }

 private:
  int first_, end_;
  std::string text_;
  size_t caret_ = 0;
};

}  // namespace korva::graphics
