// Where the window goes on the screen: a player must see all of a game, not a corner.
#pragma once

struct SDL_Window;

namespace korva {

struct ScreenRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The top-left corner for a w x h window in the usable area: centred when centre is set,
// otherwise at (x, y) moved just enough to lie fully inside. A window larger than the
// area goes to the area's top-left corner on that side, so its own top-left stays visible.
void placeWithin(const ScreenRect& usable, int w, int h, bool centre, int& x, int& y);

// Places a window of client size w x h on its display's usable area (minus the frame the
// window manager adds, where it says). Centred when it was never shown, or when it is still
// where it was last placed (lastX, lastY): a window the player has not moved follows the
// game's size changes. Updates lastX, lastY.
void placeOnScreen(SDL_Window* window, int w, int h, bool neverShown, int& lastX, int& lastY);

}  // namespace korva
