// Kept apart: Xlib's headers define None, Bool and Status as macros.
#include "window/window_manager.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

namespace korva {
namespace {

// Xlib is SDL's to load; it is looked up where SDL loaded it, never loaded here.
struct Xlib {
  decltype(&XInternAtom) internAtom = nullptr;
  decltype(&XGetWindowProperty) getWindowProperty = nullptr;
  decltype(&XFree) free = nullptr;
  decltype(&XSetErrorHandler) setErrorHandler = nullptr;
  decltype(&XSync) sync = nullptr;
  bool ok = false;

  Xlib() {
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return;
    internAtom = reinterpret_cast<decltype(internAtom)>(dlsym(library, "XInternAtom"));
    getWindowProperty = reinterpret_cast<decltype(getWindowProperty)>(dlsym(library, "XGetWindowProperty"));
    free = reinterpret_cast<decltype(free)>(dlsym(library, "XFree"));
    setErrorHandler = reinterpret_cast<decltype(setErrorHandler)>(dlsym(library, "XSetErrorHandler"));
    sync = reinterpret_cast<decltype(sync)>(dlsym(library, "XSync"));
    ok = internAtom && getWindowProperty && free && setErrorHandler && sync;
    dlclose(library);  // SDL keeps it loaded
  }
};

// A manager that has gone may leave its window's id behind: reading from it is an error
// that must not end the program.
int ignoreError(Display*, XErrorEvent*) { return 0; }

// The window a window manager names as its own on `on`, or 0.
Window checkWindow(const Xlib& x, Display* display, Window on, Atom check) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  Window found = 0;
  if (x.getWindowProperty(display, on, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &after, &data) ==
          Success &&
      type == XA_WINDOW && format == 32 && items == 1 && data)
    found = *reinterpret_cast<Window*>(data);
  if (data) x.free(data);
  return found;
}

}  // namespace

bool hasWindowManager(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  static const Xlib x;
  if (!x.ok) return true;
  Display* display = info.info.x11.display;
  const Atom check = x.internAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  x.sync(display, False);
  auto previous = x.setErrorHandler(&ignoreError);
  // The manager's own window carries the same property, pointing at itself: a stale one
  // left by a manager that has gone does not.
  const Window manager = checkWindow(x, display, DefaultRootWindow(display), check);
  const bool found = manager != 0 && checkWindow(x, display, manager, check) == manager;
  x.sync(display, False);
  x.setErrorHandler(previous);
  return found;
}

}  // namespace korva
