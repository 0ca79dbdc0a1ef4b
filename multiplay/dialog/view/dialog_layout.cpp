#include "multiplay/dialog/view/dialog_layout.h"

#include <algorithm>

namespace korva::net {
namespace {

// The template, in dialog units: x, y, width, height inside the client area.
struct Unit {
  int x, y, w, h;
};
constexpr Unit kConnectionLabelBox{7, 6, 176, 9};
constexpr Unit kConnections{7, 16, 176, 13};
constexpr Unit kGamesLabelBox{7, 36, 176, 9};
constexpr Unit kGames{7, 46, 176, 88};
constexpr Unit kNameLabelBox{7, 141, 176, 9};
constexpr Unit kName{7, 151, 176, 13};
constexpr Unit kCreate{7, 176, 84, 15};
constexpr Unit kCancel{99, 176, 84, 15};

constexpr int kIconSize = 24;
constexpr int kMargin = 8;
constexpr int kOkWidth = 60;

int scaled(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

}  // namespace

DialogLayout makeDialogLayout(int baseX, int baseY) {
  baseX = std::clamp(baseX, 3, 16);
  baseY = std::clamp(baseY, 6, 32);
  DialogLayout l;
  l.rowHeight = baseY;
  const int clientW = scaled(kDialogUnitsWide, baseX, 4), clientH = scaled(kDialogUnitsHigh, baseY, 8);
  const int captionH = baseY + 5;
  l.width = clientW + 2 * l.frame;
  l.height = captionH + clientH + 2 * l.frame;
  l.caption = Rect{l.frame, l.frame, l.frame + clientW, l.frame + captionH};
  l.client = Rect{l.frame, l.caption.bottom, l.frame + clientW, l.caption.bottom + clientH};
  auto place = [&](Unit u) {
    int left = l.client.left + scaled(u.x, baseX, 4), top = l.client.top + scaled(u.y, baseY, 8);
    return Rect{left, top, left + scaled(u.w, baseX, 4), top + scaled(u.h, baseY, 8)};
  };
  l.connectionLabel = place(kConnectionLabelBox);
  l.connections = place(kConnections);
  l.gamesLabel = place(kGamesLabelBox);
  l.games = place(kGames);
  l.nameLabel = place(kNameLabelBox);
  l.name = place(kName);
  l.create = place(kCreate);
  l.cancel = place(kCancel);
  return l;
}

Rect DialogLayout::dropList(int entries) const {
  entries = std::max(entries, 1);
  return Rect{connections.left, connections.bottom, connections.right, connections.bottom + entries * rowHeight + 2};
}

int DialogLayout::visibleGameRows() const { return std::max(1, (games.height() - 4) / rowHeight); }

Rect DialogLayout::gameRow(int i) const {
  int top = games.top + 2 + i * rowHeight;
  return Rect{games.left + 2, top, games.right - 2, top + rowHeight};
}

Rect DialogLayout::messageBox(int textWidth) const {
  int captionH = rowHeight + 5;
  int w = std::max(kIconSize + 3 * kMargin + textWidth, kOkWidth + 2 * kMargin);
  w = std::min(w + 4, width);
  int h = std::min(captionH + kMargin + std::max(kIconSize, rowHeight) + kMargin + rowHeight + 8 + kMargin + 4, height);
  int left = (width - w) / 2, top = (height - h) / 2;
  return Rect{left, top, left + w, top + h};
}

Rect DialogLayout::messageCaption(const Rect& box) const {
  return Rect{box.left + 2, box.top + 2, box.right - 2, box.top + 2 + rowHeight + 5};
}

Rect DialogLayout::messageIcon(const Rect& box) const {
  int top = messageCaption(box).bottom + kMargin, left = box.left + 2 + kMargin;
  return Rect{left, top, left + kIconSize, top + kIconSize};
}

Rect DialogLayout::messageText(const Rect& box) const {
  Rect icon = messageIcon(box);
  return Rect{icon.right + kMargin, icon.top, box.right - 2 - kMargin, icon.top + std::max(kIconSize, rowHeight)};
}

Rect DialogLayout::messageOk(const Rect& box) const {
  int h = rowHeight + 8;
  int left = box.left + (box.width() - kOkWidth) / 2;
  return Rect{left, box.bottom - 2 - kMargin - h, left + kOkWidth, box.bottom - 2 - kMargin};
}

}  // namespace korva::net
