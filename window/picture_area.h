// Where the game's picture lands in the window, and how a point goes from one to the
// other. Pure arithmetic, so every scale and border can be checked without a window.
#pragma once

#include "window/player_settings.h"

namespace korva {

struct PictureArea {
  int x = 0, y = 0, w = 0, h = 0;
};

// The picture of a gameW x gameH game in an outW x outH output. Integer scaling takes the
// largest whole multiple that fits; an output smaller than the game shows it shrunk as
// fit does, since a player must see all of it. Empty (0 x 0) for empty sizes.
PictureArea placePicture(int outW, int outH, int gameW, int gameH, Scaling scaling);

// The same area in other units (output pixels to window points on a high-density screen):
// scaled by to/from on each axis.
PictureArea rescaleArea(const PictureArea& area, int fromW, int fromH, int toW, int toH);

// The game pixel under a window point; a point outside the picture (on a border) is
// clamped to its nearest edge. False when the area or the game is empty.
bool windowToGame(int x, int y, const PictureArea& area, int gameW, int gameH, int& gameX, int& gameY);

// The smallest window coordinate that windowToGame brings back to the game coordinate
// (on one axis: the area's start and length, the game's length), so placing the pointer
// and reading it back agree.
int gameToWindow(int game, int areaStart, int areaLength, int gameLength);

}  // namespace korva
