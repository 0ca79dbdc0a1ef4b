#include "window/placement.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace korva {

void placeWithin(const ScreenRect& usable, int w, int h, bool centre, int& x, int& y) {
  auto axis = [](int start, int length, int size, bool centred, int at) {
    if (size >= length) return start;
    if (centred) return start + (length - size) / 2;
    return std::clamp(at, start, start + length - size);
  };
  x = axis(usable.x, usable.w, w, centre, x);
  y = axis(usable.y, usable.h, h, centre, y);
}

void placeOnScreen(SDL_Window* window, int w, int h, bool neverShown, int& lastX, int& lastY) {
  int display = std::max(0, SDL_GetWindowDisplayIndex(window));
  SDL_Rect area{};
  if (SDL_GetDisplayUsableBounds(display, &area) != 0 && SDL_GetDisplayBounds(display, &area) != 0) return;
  int top = 0, left = 0, bottom = 0, right = 0;
  // Known only once a window manager has framed the window; zero before and without one.
  if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
  ScreenRect usable{area.x + left, area.y + top, area.w - left - right, area.h - top - bottom};
  int x = 0, y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  placeWithin(usable, w, h, neverShown || (x == lastX && y == lastY), x, y);
  SDL_SetWindowPosition(window, x, y);
  lastX = x, lastY = y;
}

}  // namespace korva
