#include "multiplay/dialog/view/dialog_controller.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <utility>

#include "render/fonts/font.h"

namespace korva::net {
namespace {

constexpr std::array<Control, 5> kTabOrder = {Control::Connections, Control::Games, Control::Name,
                                              Control::Create, Control::Cancel};

bool inside(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool isEnter(SDL_Keycode key) { return key == SDLK_RETURN || key == SDLK_KP_ENTER; }

// The byte of one character in the font's byte set (printable only), or 0.
uint8_t windows1252Byte(std::string_view utf8Char) {
  struct Target {
    const char* name;
    uint8_t lowest;  // Latin-1 has only control characters below 0xA0
  };
  for (Target t : {Target{"WINDOWS-1252", 0x80}, Target{"ISO-8859-1", 0xA0}}) {
    char* out = SDL_iconv_string(t.name, "UTF-8", utf8Char.data(), utf8Char.size());
    if (!out) continue;
    const bool one = out[0] != 0 && out[1] == 0;
    const uint8_t byte = static_cast<uint8_t>(out[0]);
    SDL_free(out);
    return one && byte >= t.lowest ? byte : 0;
  }
  return 0;
}

}  // namespace

std::string toWindows1252(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    uint8_t lead = static_cast<uint8_t>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > utf8.size()) {
      ++i;  // not the start of a character
      continue;
    }
    if (length == 1) {
      if (lead >= 0x20 && lead < 0x7F) out += static_cast<char>(lead);
    } else if (uint8_t byte = windows1252Byte(utf8.substr(i, length))) {
      out += static_cast<char>(byte);
    }
    i += length;
  }
  return out;
}

DialogController::DialogController(StartDialogModel& model, const DialogLayout& layout, const Font& font)
    : model_(model), layout_(layout), font_(font) {
  sync();
}

bool DialogController::enabled(Control c) const {
  switch (c) {
    case Control::Connections:
    case Control::Cancel: return true;
    case Control::Games: return model_.gamesEnabled();
    case Control::Name: return model_.nameEnabled();
    case Control::Create: return model_.createEnabled();
    default: return false;
  }
}

void DialogController::setFocus(Control c) {
  if (c == focus_ || !enabled(c)) return;
  focus_ = c;
  if (c == Control::Name) caret_ = model_.name().size();
  if (c == Control::Games && selectedGame_ < 0 && !model_.games().empty()) selectGame(0);
  keepCaretVisible();
  changed();
}

void DialogController::moveFocus(bool backwards) {
  auto at = std::find(kTabOrder.begin(), kTabOrder.end(), focus_);
  int i = at == kTabOrder.end() ? 0 : static_cast<int>(at - kTabOrder.begin());
  const int n = static_cast<int>(kTabOrder.size());
  for (int step = 1; step <= n; ++step) {
    Control next = kTabOrder[static_cast<size_t>(((i + (backwards ? -step : step)) % n + n) % n)];
    if (enabled(next)) {
      setFocus(next);
      return;
    }
  }
}

void DialogController::chooseConnection(int index) {
  dropOpen_ = false;
  changed();
  const int count = static_cast<int>(model_.connections().size());
  if (index < 0 || index >= count || index == model_.selectedConnection()) return;
  model_.selectConnection(index);
  sync();
}

void DialogController::selectGame(int index) {
  const int count = static_cast<int>(model_.games().size());
  if (!model_.gamesEnabled() || count == 0) return;
  index = std::clamp(index, 0, count - 1);
  selectedGame_ = index;
  selectedName_ = model_.games()[static_cast<size_t>(index)];
  const int rows = layout_.visibleGameRows();
  if (index < firstGame_) firstGame_ = index;
  if (index >= firstGame_ + rows) firstGame_ = index - rows + 1;
  changed();
}

void DialogController::activate(Control c) {
  if (!enabled(c)) return;
  switch (c) {
    case Control::Create:
    case Control::Name: model_.create(); break;
    case Control::Cancel: model_.cancel(); break;
    case Control::Games:
      if (selectedGame_ >= 0) model_.join(selectedGame_);
      break;
    default: return;
  }
  changed();
  sync();
}

void DialogController::editName(std::string text, size_t caret) {
  model_.setName(text);
  caret_ = std::min(caret, model_.name().size());
  keepCaretVisible();
  changed();
}

void DialogController::keepCaretVisible() {
  const std::string& name = model_.name();
  caret_ = std::min(caret_, name.size());
  const int visible = std::max(1, layout_.name.width() - 2 * layout_.inset - 3);
  const int at = static_cast<int>(font_.stringWidth(std::string_view(name).substr(0, caret_)));
  if (at - nameScroll_ > visible) nameScroll_ = at - visible;
  if (at < nameScroll_) nameScroll_ = at;
  const int total = static_cast<int>(font_.stringWidth(name));
  nameScroll_ = std::clamp(nameScroll_, 0, std::max(0, total - visible));
}

void DialogController::keyDown(SDL_Keycode key, uint16_t modifiers) {
  if (!messages_.empty()) {
    if (isEnter(key) || key == SDLK_SPACE || key == SDLK_ESCAPE) dismissMessage();
    return;
  }
  if (dropOpen_) {
    const int count = static_cast<int>(model_.connections().size());
    if (key == SDLK_UP) dropHighlight_ = std::max(0, dropHighlight_ - 1);
    else if (key == SDLK_DOWN) dropHighlight_ = std::min(count - 1, dropHighlight_ + 1);
    else if (isEnter(key) || key == SDLK_F4) chooseConnection(dropHighlight_);
    else if (key == SDLK_ESCAPE || key == SDLK_TAB) dropOpen_ = false;
    changed();
    return;
  }
  if (key == SDLK_ESCAPE) {
    model_.cancel();
    changed();
    return;
  }
  if (key == SDLK_TAB) {
    moveFocus((modifiers & KMOD_SHIFT) != 0);
    return;
  }
  if (isEnter(key)) {
    activate(focus_);
    return;
  }
  switch (focus_) {
    case Control::Connections: {
      const int count = static_cast<int>(model_.connections().size());
      const int at = model_.selectedConnection();
      if (key == SDLK_F4 || ((modifiers & KMOD_ALT) && key == SDLK_DOWN)) {
        dropOpen_ = true;
        dropHighlight_ = at;
        changed();
      } else if (key == SDLK_UP || key == SDLK_LEFT) {
        chooseConnection(at - 1);
      } else if (key == SDLK_DOWN || key == SDLK_RIGHT) {
        chooseConnection(at + 1);
      } else if (key == SDLK_HOME) {
        chooseConnection(0);
      } else if (key == SDLK_END) {
        chooseConnection(count - 1);
      }
      return;
    }
    case Control::Games: {
      const int page = layout_.visibleGameRows();
      const int last = static_cast<int>(model_.games().size()) - 1;
      if (key == SDLK_UP) selectGame(selectedGame_ - 1);
      else if (key == SDLK_DOWN) selectGame(selectedGame_ + 1);
      else if (key == SDLK_PAGEUP) selectGame(selectedGame_ - page);
      else if (key == SDLK_PAGEDOWN) selectGame(selectedGame_ + page);
      else if (key == SDLK_HOME) selectGame(0);
      else if (key == SDLK_END) selectGame(last);
      return;
    }
    case Control::Name: {
      std::string name = model_.name();
      caret_ = std::min(caret_, name.size());
      if (key == SDLK_LEFT && caret_ > 0) --caret_;
      else if (key == SDLK_RIGHT && caret_ < name.size()) ++caret_;
      else if (key == SDLK_HOME) caret_ = 0;
      else if (key == SDLK_END) caret_ = name.size();
      else if (key == SDLK_BACKSPACE && caret_ > 0) return editName(name.erase(caret_ - 1, 1), caret_ - 1);
      else if (key == SDLK_DELETE && caret_ < name.size()) return editName(name.erase(caret_, 1), caret_);
      else return;
      keepCaretVisible();
      changed();
      return;
    }
    case Control::Create:
    case Control::Cancel:
      if (key == SDLK_SPACE) activate(focus_);
      return;
    default: return;
  }
}

void DialogController::textInput(std::string_view utf8) {
  if (!messages_.empty() || dropOpen_ || focus_ != Control::Name || !model_.nameEnabled()) return;
  std::string typed = toWindows1252(utf8);
  if (typed.empty()) return;
  std::string name = model_.name();
  caret_ = std::min(caret_, name.size());
  name.insert(caret_, typed);
  editName(std::move(name), caret_ + typed.size());
}

int DialogController::gameAt(int x, int y) const {
  if (!inside(layout_.games, x, y)) return -1;
  for (int row = 0; row < layout_.visibleGameRows(); ++row) {
    if (!inside(layout_.gameRow(row), x, y)) continue;
    int index = firstGame_ + row;
    return index < static_cast<int>(model_.games().size()) ? index : -1;
  }
  return -1;
}

size_t DialogController::caretAt(int x) const {
  const std::string& name = model_.name();
  int at = layout_.name.left + layout_.inset - nameScroll_;
  for (size_t i = 0; i < name.size(); ++i) {
    int w = font_.charWidth(static_cast<uint8_t>(name[i]));
    if (x < at + w / 2) return i;
    at += w;
  }
  return name.size();
}

void DialogController::mouseDown(int x, int y, int clicks) {
  setPointer(x, y);
  if (!messages_.empty()) {
    if (inside(layout_.messageOk(messageBox()), x, y)) {
      okPressed_ = true;
      changed();
    }
    return;
  }
  if (dropOpen_) {
    const Rect list = layout_.dropList(static_cast<int>(model_.connections().size()));
    if (inside(list, x, y)) {
      chooseConnection((y - list.top - 1) / layout_.rowHeight);
    } else {
      dropOpen_ = false;  // a click elsewhere only closes the list
      changed();
    }
    return;
  }
  if (inside(layout_.connections, x, y)) {
    setFocus(Control::Connections);
    dropOpen_ = true;
    dropHighlight_ = model_.selectedConnection();
    changed();
  } else if (inside(layout_.games, x, y) && enabled(Control::Games)) {
    setFocus(Control::Games);
    int index = gameAt(x, y);
    if (index < 0) return;
    selectGame(index);
    if (clicks >= 2) activate(Control::Games);
  } else if (inside(layout_.name, x, y) && enabled(Control::Name)) {
    setFocus(Control::Name);
    caret_ = caretAt(x);
    keepCaretVisible();
    changed();
  } else {
    for (Control button : {Control::Create, Control::Cancel}) {
      if (!inside(button == Control::Create ? layout_.create : layout_.cancel, x, y) || !enabled(button)) continue;
      setFocus(button);
      pressed_ = button;
      changed();
    }
  }
}

void DialogController::mouseUp(int x, int y) {
  setPointer(x, y);
  if (okPressed_) {
    okPressed_ = false;
    changed();
    if (!messages_.empty() && inside(layout_.messageOk(messageBox()), x, y)) dismissMessage();
    return;
  }
  if (pressed_ == Control::None) return;
  Control button = std::exchange(pressed_, Control::None);
  changed();
  if (inside(button == Control::Create ? layout_.create : layout_.cancel, x, y)) activate(button);
}

void DialogController::wheel(int rows) {
  if (!messages_.empty() || dropOpen_ || !enabled(Control::Games)) return;
  if (!inside(layout_.games, pointerX_, pointerY_) && focus_ != Control::Games) return;
  const int most = std::max(0, static_cast<int>(model_.games().size()) - layout_.visibleGameRows());
  int first = std::clamp(firstGame_ - rows, 0, most);
  if (first == firstGame_) return;
  firstGame_ = first;
  changed();
}

void DialogController::dismissMessage() {
  if (messages_.empty()) return;
  messages_.pop_front();
  okPressed_ = false;
  changed();
}

Rect DialogController::messageBox() const {
  const DialogMessage* m = message();
  if (!m) return Rect{};
  int64_t content = std::max(font_.stringWidth(m->text), font_.stringWidth(m->caption));
  return layout_.messageBox(static_cast<int>(std::min<int64_t>(content, layout_.width)));
}

bool DialogController::sync() {
  bool raise = false;
  for (DialogMessage& m : model_.takeMessages()) {
    raise = raise || m.topmost;
    messages_.push_back(std::move(m));
    pressed_ = Control::None;
    dropOpen_ = false;
    changed();
  }
  Shown now{model_.selectedConnection(), model_.games(), model_.gamesEnabled(), model_.nameEnabled(),
            model_.createEnabled(), model_.name()};
  if (now == shown_) return raise;
  if (now.games != shown_.games || !now.gamesEnabled) {
    // The list is filled again every second: the game chosen stays chosen while listed.
    selectedGame_ = -1;
    if (now.gamesEnabled) {
      auto it = std::find(now.games.begin(), now.games.end(), selectedName_);
      if (it != now.games.end()) selectedGame_ = static_cast<int>(it - now.games.begin());
    }
    if (selectedGame_ < 0) selectedName_.clear();
    const int most = std::max(0, static_cast<int>(now.games.size()) - layout_.visibleGameRows());
    firstGame_ = std::clamp(firstGame_, 0, most);
    if (focus_ == Control::Games && selectedGame_ < 0 && now.gamesEnabled) {
      shown_ = now;
      selectGame(0);
    }
  }
  shown_ = std::move(now);
  if (!enabled(focus_)) focus_ = Control::Connections;
  if (pressed_ != Control::None && !enabled(pressed_)) pressed_ = Control::None;
  keepCaretVisible();
  changed();
  return raise;
}

}  // namespace korva::net
