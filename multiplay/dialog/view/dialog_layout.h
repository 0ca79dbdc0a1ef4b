// Where the start dialog's parts are, in pixels of the dialog's canvas.
//
// The template is the original's, in dialog units: 190 x 199 units of client area below a
// caption bar. A horizontal unit is a quarter of the dialog font's average character
// width and a vertical unit an eighth of its height, as dialog units have always been
// measured. The font is 11 pixels high (about 7 points rather than the original 8), so the
// whole dialog (about 290 x 294 pixels with the usual sans-serif face) fits the default
// 400 x 300 graphics window and is shown there unscaled.
#pragma once

#include "render/canvas/canvas.h"

namespace korva::net {

inline constexpr int kDialogUnitsWide = 190;
inline constexpr int kDialogUnitsHigh = 199;

struct DialogLayout {
  int width = 0, height = 0;  // the whole canvas
  int frame = 2;              // border around caption and client area
  Rect caption;
  Rect client;
  Rect connectionLabel, connections, gamesLabel, games, nameLabel, name, create, cancel;
  int rowHeight = 0;  // one line of text in the lists
  int inset = 2;      // text from the left edge of a field or a list row

  // The open drop-down list under the connections field, one row per entry.
  Rect dropList(int entries) const;
  // Row i of the visible part of the games list (0 = first visible row).
  Rect gameRow(int i) const;
  int visibleGameRows() const;
  // A message box of the given text width centred over the dialog, and its OK button.
  Rect messageBox(int textWidth) const;
  Rect messageCaption(const Rect& box) const;
  Rect messageIcon(const Rect& box) const;
  Rect messageText(const Rect& box) const;  // the text, vertically centred in it
  Rect messageOk(const Rect& box) const;
};

// The layout for a font of average character width baseX and height baseY (pixels).
DialogLayout makeDialogLayout(int baseX, int baseY);

}  // namespace korva::net
