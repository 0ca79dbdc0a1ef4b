#include "multiplay/dialog/view/dialog_painter.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "render/canvas/canvas.h"
#include "render/fonts/font.h"

namespace korva::net {
namespace {

using namespace palette;

class Painter {
 public:
  Painter(Canvas& canvas, const DialogFonts& fonts)
      : c_(canvas), text_(*fonts.text), bold_(fonts.bold ? *fonts.bold : *fonts.text) {}

  void fill(const Rect& r, uint32_t color) {
    if (r.empty()) return;
    c_.setColor(color);
    c_.rect(r.left, r.top, r.width(), r.height(), true);
  }
  void hline(int x1, int x2, int y, uint32_t color) { fill(Rect{x1, y, x2, y + 1}, color); }
  void vline(int x, int y1, int y2, uint32_t color) { fill(Rect{x, y1, x + 1, y2}, color); }

  // Two-pixel edges: raised for buttons and panels, sunken for fields.
  void edge(const Rect& r, bool raised) {
    const uint32_t outerTL = raised ? kLight : kShadow, outerBR = raised ? kDarkShadow : kLight;
    const uint32_t innerTL = raised ? kFace : kDarkShadow, innerBR = raised ? kShadow : kFace;
    hline(r.left, r.right - 1, r.top, outerTL);
    vline(r.left, r.top, r.bottom - 1, outerTL);
    hline(r.left, r.right, r.bottom - 1, outerBR);
    vline(r.right - 1, r.top, r.bottom, outerBR);
    hline(r.left + 1, r.right - 2, r.top + 1, innerTL);
    vline(r.left + 1, r.top + 1, r.bottom - 2, innerTL);
    hline(r.left + 1, r.right - 1, r.bottom - 2, innerBR);
    vline(r.right - 2, r.top + 1, r.bottom - 1, innerBR);
  }

  // A line of text at (x, y), clipped to the rectangle.
  void text(Font& font, int x, int y, std::string_view s, uint32_t color, const Rect& clip) {
    if (clip.empty()) return;
    c_.setViewport(clip.left, clip.top, clip.width(), clip.height());
    c_.setColor(color);
    drawText(c_, &font, x, y, s);
    c_.setViewport(0, 0, c_.width(), c_.height());
  }
  // Text vertically centred in r, from its left edge plus inset.
  void textIn(const Rect& r, int inset, std::string_view s, uint32_t color, Font* font = nullptr) {
    Font& f = font ? *font : text_;
    text(f, r.left + inset, r.top + (r.height() - f.height()) / 2, s, color, r);
  }
  void textCentred(const Rect& r, std::string_view s, uint32_t color) {
    int w = static_cast<int>(std::min<int64_t>(text_.stringWidth(s), r.width()));
    textIn(r, (r.width() - w) / 2, s, color);
  }

  // Every other pixel, as focus is shown on controls.
  void focusRect(const Rect& r) {
    c_.setColor(kText);
    for (int x = r.left; x < r.right; x += 2) {
      c_.plot(x, r.top);
      c_.plot(x, r.bottom - 1);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
      c_.plot(r.left, y);
      c_.plot(r.right - 1, y);
    }
  }

  void downArrow(const Rect& r, uint32_t color) {
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2 - 1;
    for (int i = 0; i < 4; ++i) hline(cx - 3 + i, cx + 4 - i, cy + i, color);
  }

  void button(const Rect& r, std::string_view label, bool enabled, bool focused, bool pressed) {
    fill(r, kFace);
    Rect body = r;
    if (focused) {
      // The focused button carries a black rim, as a default button does.
      c_.setColor(kText);
      c_.rect(r.left, r.top, r.width(), r.height(), false);
      body = Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    if (pressed) {
      c_.setColor(kShadow);
      c_.rect(body.left, body.top, body.width(), body.height(), false);
    } else {
      edge(body, true);
    }
    Rect face{body.left + 1, body.top + 1, body.right - 1, body.bottom - 1};
    if (pressed) face = Rect{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1};
    textCentred(face, label, enabled ? kText : kGreyText);
    if (focused) focusRect(Rect{body.left + 3, body.top + 3, body.right - 3, body.bottom - 3});
  }

  void icon(const Rect& r, DialogMessage::Icon kind) {
    const int size = std::min(r.width(), r.height());
    if (kind == DialogMessage::Icon::Information) {
      c_.setColor(0x0040C0);
      c_.oval(r.left, r.top, size, size, true);
      text(bold_, r.left + (size - static_cast<int>(bold_.stringWidth("i"))) / 2, r.top + (size - bold_.height()) / 2,
           "i", kLight, r);
      return;
    }
    // A yellow warning triangle with a black rim.
    const int cx = r.left + size / 2;
    for (int row = 0; row < size - 2; ++row) {
      int half = (row + 1) / 2 + 1;
      hline(cx - half, cx + half, r.top + 1 + row, kText);
      if (half > 1) hline(cx - half + 1, cx + half - 1, r.top + 1 + row, row < size - 3 ? 0xFFD800 : kText);
    }
    text(bold_, cx - static_cast<int>(bold_.stringWidth("!")) / 2, r.top + size - 2 - bold_.height(), "!", kText, r);
  }

  Canvas& c_;
  Font& text_;
  Font& bold_;
};

void paintConnections(Painter& p, const DialogLayout& l, const StartDialogModel& model, const DialogController& ctl) {
  const Rect& r = l.connections;
  p.fill(r, kField);
  p.edge(r, false);
  const int side = r.height() - 4;
  Rect arrow{r.right - 2 - side, r.top + 2, r.right - 2, r.bottom - 2};
  p.fill(arrow, kFace);
  p.edge(arrow, true);
  p.downArrow(arrow, kText);
  Rect field{r.left + 2, r.top + 2, arrow.left, r.bottom - 2};
  const auto& names = model.connections();
  const int at = model.selectedConnection();
  std::string_view shown = at >= 0 && at < static_cast<int>(names.size()) ? std::string_view(names[at]) : "";
  const bool focused = ctl.focus() == Control::Connections && !ctl.message();
  Rect highlight{field.left + 1, field.top + 1, field.right - 1, field.bottom - 1};
  if (focused) {
    p.fill(highlight, kSelection);
    p.focusRect(highlight);
  }
  p.textIn(field, l.inset, shown, focused ? kSelectedText : kText);
}

void paintDropList(Painter& p, const DialogLayout& l, const StartDialogModel& model, const DialogController& ctl) {
  const auto& names = model.connections();
  const Rect box = l.dropList(static_cast<int>(names.size()));
  p.fill(box, kField);
  p.c_.setColor(kText);
  p.c_.rect(box.left, box.top, box.width(), box.height(), false);
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    Rect row{box.left + 1, box.top + 1 + i * l.rowHeight, box.right - 1, box.top + 1 + (i + 1) * l.rowHeight};
    const bool lit = i == ctl.dropHighlight();
    if (lit) p.fill(row, kSelection);
    p.textIn(row, l.inset, names[static_cast<size_t>(i)], lit ? kSelectedText : kText);
  }
}

void paintGames(Painter& p, const DialogLayout& l, const StartDialogModel& model, const DialogController& ctl) {
  const Rect& r = l.games;
  const bool enabled = model.gamesEnabled();
  p.fill(r, enabled ? kField : kFace);
  p.edge(r, false);
  const auto& games = model.games();
  const int rows = l.visibleGameRows();
  const bool scrolls = static_cast<int>(games.size()) > rows;
  for (int row = 0; row < rows; ++row) {
    const int index = ctl.firstVisibleGame() + row;
    if (index >= static_cast<int>(games.size())) break;
    Rect box = l.gameRow(row);
    if (scrolls) box.right -= 6;
    const bool selected = enabled && index == ctl.selectedGame();
    if (selected) p.fill(box, kSelection);
    p.textIn(box, l.inset, games[static_cast<size_t>(index)],
             !enabled ? kGreyText : selected ? kSelectedText : kText);
    if (selected && ctl.focus() == Control::Games && !ctl.message()) p.focusRect(box);
  }
  if (scrolls) {
    // A thumb showing which part of the list is in view.
    Rect track{r.right - 8, r.top + 2, r.right - 2, r.bottom - 2};
    p.fill(track, kFace);
    const int total = static_cast<int>(games.size());
    const int top = track.top + track.height() * ctl.firstVisibleGame() / total;
    const int height = std::max(4, track.height() * rows / total);
    Rect thumb{track.left, top, track.right, std::min(track.bottom, top + height)};
    p.fill(thumb, kShadow);
  }
}

void paintName(Painter& p, const DialogLayout& l, const StartDialogModel& model, const DialogController& ctl,
               bool caretOn) {
  const Rect& r = l.name;
  const bool enabled = model.nameEnabled();
  p.fill(r, enabled ? kField : kFace);
  p.edge(r, false);
  Rect inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  const int y = inner.top + (inner.height() - p.text_.height()) / 2;
  const int x = r.left + l.inset - ctl.nameScroll();
  p.text(p.text_, x, y, model.name(), enabled ? kText : kGreyText, inner);
  if (enabled && caretOn && ctl.focus() == Control::Name && !ctl.message()) {
    const std::string& name = model.name();
    int at = x + static_cast<int>(p.text_.stringWidth(std::string_view(name).substr(0, std::min(ctl.caret(), name.size()))));
    if (at >= inner.left && at < inner.right) p.vline(at, y, y + p.text_.height(), kText);
  }
}

void paintMessage(Painter& p, const DialogLayout& l, const DialogController& ctl) {
  const DialogMessage* m = ctl.message();
  const Rect box = ctl.messageBox();
  p.fill(box, kFace);
  p.edge(box, true);
  const Rect caption = l.messageCaption(box);
  p.fill(caption, kCaption);
  p.textIn(caption, 4, m->caption, kCaptionText, &p.bold_);
  const Rect icon = l.messageIcon(box);
  p.icon(icon, m->icon);
  p.textIn(l.messageText(box), 0, m->text, kText);
  p.button(l.messageOk(box), "OK", true, true, ctl.okPressed());
}

}  // namespace

void paintDialog(Canvas& canvas, const DialogLayout& l, const DialogFonts& fonts, const StartDialogModel& model,
                 const DialogController& ctl, bool caretOn) {
  if (!fonts.text) return;
  Painter p(canvas, fonts);
  const Rect all{0, 0, l.width, l.height};
  p.fill(all, kFace);
  p.edge(all, true);
  p.fill(l.caption, kCaption);
  p.textIn(l.caption, 4, kDialogCaption, kCaptionText, &p.bold_);

  p.textIn(l.connectionLabel, 0, kConnectionLabel, kText);
  p.textIn(l.gamesLabel, 0, kGamesLabel, kText);
  p.textIn(l.nameLabel, 0, kNameLabel, kText);
  paintConnections(p, l, model, ctl);
  paintGames(p, l, model, ctl);
  paintName(p, l, model, ctl, caretOn);
  const bool modal = ctl.message() != nullptr;
  p.button(l.create, kCreateButton, model.createEnabled(), !modal && ctl.focus() == Control::Create,
           ctl.pressed() == Control::Create);
  p.button(l.cancel, kCancelButton, true, !modal && ctl.focus() == Control::Cancel, ctl.pressed() == Control::Cancel);
  if (ctl.dropOpen()) paintDropList(p, l, model, ctl);
  if (modal) paintMessage(p, l, ctl);
}

}  // namespace korva::net
