#include "graphics/console/private/line_editor.h"

namespace korva::graphics {

LineEditor::Outcome LineEditor::apply(int key) {
  switch (key) {
    case 13: return Outcome::Done;
    case 0:
      text_.clear();
      caret_ = 0;
      return Outcome::Done;
    case 27:
      text_.clear();
      caret_ = 0;
      break;
    case 30:
      if (caret_ < text_.size()) ++caret_;
      break;
    case 31:
      if (caret_ > 0) --caret_;
      break;
    case 1: caret_ = 0; break;
    case 2: caret_ = text_.size(); break;
    case 8:
      if (caret_ > 0) text_.erase(--caret_, 1);
      break;
    case 4:
      if (caret_ < text_.size()) text_.erase(caret_, 1);
      break;
    default:
      if (key >= first_ && key < end_ && key <= 255) text_.insert(caret_++, 1, static_cast<char>(key));
      break;
  }
  return Outcome::Editing;
}

}  // namespace korva::graphics
