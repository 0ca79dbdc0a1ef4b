// Whether a window manager looks after our window. Without one (a bare X server, a kiosk)
// nobody answers a request for the desktop's full screen, so the window takes the screen
// itself.
#pragma once

struct SDL_Window;

namespace korva {

// True unless the window is on X11 and no EWMH window manager runs there; true too when
// that cannot be found out.
bool hasWindowManager(SDL_Window* window);

}  // namespace korva
