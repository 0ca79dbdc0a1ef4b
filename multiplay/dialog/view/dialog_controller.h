// What the user does to the start dialog, turned into the model's actions, and the state
// of the controls that the model does not keep: focus, the open drop-down, the selected
// game and the scroll of the list, the caret, a pressed button, the message boxes.
//
// Keys: Tab / Shift+Tab move the focus over the enabled controls; Escape cancels (or
// closes the open drop-down or the message box). Enter acts on the focused control: in
// the name field and on "Create new game" it creates, on a selected game it joins, on
// "Cancel" it cancels. On the drop-down Up, Down, Home and End choose a connection at
// once and Alt+Down or F4 opens the list. Space presses the focused button. Mouse: a
// click on a button acts when the button is released over it; a double click on a game
// joins it; the wheel scrolls the games list. While a message box shows, only its OK
// button (a click, Enter, Space or Escape) does anything.
#pragma once

#include <SDL2/SDL_keycode.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "multiplay/dialog/view/dialog_layout.h"
#include "multiplay/start_dialog.h"

namespace korva {
class Font;
}

namespace korva::net {

enum class Control { Connections, Games, Name, Create, Cancel, None };

class DialogController {
 public:
  DialogController(StartDialogModel& model, const DialogLayout& layout, const Font& font);

  // Input, at points of the dialog's canvas.
  void keyDown(SDL_Keycode key, uint16_t modifiers);
  void textInput(std::string_view utf8);
  void mouseDown(int x, int y, int clicks);
  void mouseUp(int x, int y);
  void wheel(int rows);  // positive scrolls towards the top, as SDL reports it
  void setPointer(int x, int y) { pointerX_ = x, pointerY_ = y; }

  // Takes the model's new message boxes and follows its changes (a list refreshed or
  // emptied, controls disabled). True when a message box asking for the foreground came.
  bool sync();
  // Advanced whenever anything shown may have changed.
  uint64_t revision() const { return revision_; }

  Control focus() const { return focus_; }
  bool dropOpen() const { return dropOpen_; }
  int dropHighlight() const { return dropHighlight_; }
  int selectedGame() const { return selectedGame_; }
  int firstVisibleGame() const { return firstGame_; }
  size_t caret() const { return caret_; }
  int nameScroll() const { return nameScroll_; }  // pixels of the name hidden on the left
  Control pressed() const { return pressed_; }
  bool okPressed() const { return okPressed_; }
  const DialogMessage* message() const { return messages_.empty() ? nullptr : &messages_.front(); }
  Rect messageBox() const;

 private:
  bool enabled(Control c) const;
  void setFocus(Control c);
  void moveFocus(bool backwards);
  void chooseConnection(int index);
  void selectGame(int index);
  void activate(Control c);
  void editName(std::string text, size_t caret);
  void keepCaretVisible();
  int gameAt(int x, int y) const;
  size_t caretAt(int x) const;
  void dismissMessage();
  void changed() { ++revision_; }

  StartDialogModel& model_;
  const DialogLayout& layout_;
  const Font& font_;
  Control focus_ = Control::Connections;
  bool dropOpen_ = false;
  int dropHighlight_ = 0;
  int selectedGame_ = -1;
  std::string selectedName_;
  int firstGame_ = 0;
  size_t caret_ = 0;
  int nameScroll_ = 0;
  Control pressed_ = Control::None;
  bool okPressed_ = false;
  int pointerX_ = -1, pointerY_ = -1;
  std::deque<DialogMessage> messages_;
  uint64_t revision_ = 1;

  // What the model showed at the last sync.
  struct Shown {
    int connection = 0;
    std::vector<std::string> games;
    bool gamesEnabled = false, nameEnabled = false, createEnabled = false;
    std::string name;
    bool operator==(const Shown&) const = default;
  } shown_;
};

// The Windows-1252 bytes of UTF-8 text; characters it has no byte for are left out.
std::string toWindows1252(std::string_view utf8);

}  // namespace korva::net
