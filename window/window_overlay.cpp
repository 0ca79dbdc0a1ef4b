// A canvas of a caller's shown over the program's picture: the start dialog of a
// multiplayer game is drawn into canvases of its own and shown here, never in the
// program's buffers, so the program's picture is there again untouched afterwards.
#include <SDL2/SDL.h>

#include <algorithm>

#include "window/placement.h"
#include "window/private/window_state.h"

namespace korva {

void RuntimeWindow::showOverlay(const Canvas& canvas) {
  Impl& d = *impl_;
  if (!d.overlay) {
    auto& before = d.beforeOverlay;
    SDL_GetWindowSize(d.window, &before.w, &before.h);
    before.hidden = (SDL_GetWindowFlags(d.window) & SDL_WINDOW_HIDDEN) != 0;
    if (d.displayState.load() != kFullScreen) {
      int w = before.hidden ? canvas.width() : std::max(before.w, canvas.width());
      int h = before.hidden ? canvas.height() : std::max(before.h, canvas.height());
      if (w != before.w || h != before.h) SDL_SetWindowSize(d.window, w, h);
      placeOnScreen(d.window, w, h, before.hidden, d.placedX, d.placedY);
      SDL_ShowWindow(d.window);
    }
    SDL_RaiseWindow(d.window);
    // Our own size change is not a user's doing.
    dropWindowEvents();
  }
  d.overlay = &canvas;
  presentOverlay();
}

void RuntimeWindow::endOverlay() {
  Impl& d = *impl_;
  if (!d.overlay) return;
  d.overlay = nullptr;
  d.presenter.releaseOverlay();
  const auto& before = d.beforeOverlay;
  if (d.displayState.load() != kFullScreen) {
    int w = 0, h = 0;
    SDL_GetWindowSize(d.window, &w, &h);
    if (w != before.w || h != before.h) SDL_SetWindowSize(d.window, before.w, before.h);
    if (before.hidden) SDL_HideWindow(d.window);
  }
  dropWindowEvents();
  presentFront(false);
}

bool RuntimeWindow::overlayArea(int& x, int& y, int& width, int& height) const {
  const Impl& d = *impl_;
  if (!d.overlay) return false;
  x = d.overlayX, y = d.overlayY, width = d.overlayW, height = d.overlayH;
  return true;
}

bool RuntimeWindow::presentOverlay() {
  Impl& d = *impl_;
  SDL_Rect placed{};
  if (!d.presenter.presentOverlay(d.window, d.overlay->surface(), placed)) return false;
  ++d.presentations;
  // Placed in output pixels; mouse positions come in window coordinates.
  int winW = 0, winH = 0, outW = 0, outH = 0;
  SDL_GetWindowSize(d.window, &winW, &winH);
  SDL_GetRendererOutputSize(d.presenter.renderer(), &outW, &outH);
  if (outW <= 0 || outH <= 0 || (outW == winW && outH == winH)) {
    d.overlayX = placed.x, d.overlayY = placed.y, d.overlayW = placed.w, d.overlayH = placed.h;
  } else {
    d.overlayX = static_cast<int>(int64_t{placed.x} * winW / outW);
    d.overlayY = static_cast<int>(int64_t{placed.y} * winH / outH);
    d.overlayW = static_cast<int>(int64_t{placed.w} * winW / outW);
    d.overlayH = static_cast<int>(int64_t{placed.h} * winH / outH);
  }
  return true;
}

}  // namespace korva
