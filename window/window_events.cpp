// The event pump: SDL's events turned into what the program's input and the run are told.
// Keys become set-1 key codes (scancodes.h); mouse positions become graphics coordinates.
#include <SDL2/SDL.h>

#include "window/private/window_state.h"
#include "window/scancodes.h"

namespace korva {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "interrupt() must be async-signal-safe");
std::atomic<bool> g_interrupted{false};
std::atomic<FrameObserver*> g_frameObserver{nullptr};

int mouseButton(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

// Keys the other platform delivers as system keys: Alt itself, F10, and any key while Alt
// is held.
bool isSystemKey(const SDL_KeyboardEvent& key) {
  SDL_Scancode sc = key.keysym.scancode;
  return sc == SDL_SCANCODE_LALT || sc == SDL_SCANCODE_RALT || sc == SDL_SCANCODE_F10 ||
         (key.keysym.mod & KMOD_ALT) != 0;
}

bool isAlt(SDL_Scancode sc) { return sc == SDL_SCANCODE_LALT || sc == SDL_SCANCODE_RALT; }

class EventPump {
 public:
  EventPump(RuntimeWindow::Impl& d, RunEventSink& run) : d_(d), run_(run) {}

  void handle(const SDL_Event& event) {
    // Another window of a hosting process is none of our business.
    if (event.type == SDL_WINDOWEVENT && event.window.windowID != SDL_GetWindowID(d_.window)) return;
    // A close is honoured even while busy: nothing else would end the program.
    if (event.type == SDL_QUIT || (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
      run_.closeRequested();
      return;
    }
    if (d_.busy) return;
    // The run-time's own keys reach neither the program nor the full-screen rules.
    if ((event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) && handleHotKey(d_, event.key)) return;
    if (d_.input && run_.acceptsInput()) input(event);
    if (d_.displayState == kFullScreen) activation(event);
  }

 private:
  void input(const SDL_Event& event) {
    InputSink& in = *d_.input;
    const bool fullScreen = d_.displayState == kFullScreen;
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        int code = keyCodeForScancode(event.key.keysym.scancode);
        if (fullScreen) {
          // Full-screen input comes from the devices; system keys go to the activation rule.
          if (!isSystemKey(event.key)) in.acquireAll();
          // The device has no auto-repeat, and sees system keys too.
          if (code != 0 && (event.type == SDL_KEYUP || event.key.repeat == 0))
            in.deviceKey(code, event.type == SDL_KEYDOWN);
          return;
        }
        if (code == 0) return;
        if (event.type == SDL_KEYUP)
          in.releaseKey(code);
        else if (event.key.repeat == 0)
          in.pressKey(code);
        return;
      }
      case SDL_MOUSEMOTION: {
        if (fullScreen) {
          in.acquireAll();
          in.deviceMouseMotion(event.motion.xrel, event.motion.yrel);
          return;
        }
        if (!d_.graphics) return;
        int x, y;
        if (windowToGame(event.motion.x, event.motion.y, pictureAreaInWindow(d_), d_.graphics->width(),
                         d_.graphics->height(), x, y))
          in.setMousePosition(x, y);
        return;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        int button = mouseButton(event.button.button);
        if (button == 0) return;
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (fullScreen) {
          in.acquireAll();
          in.deviceMouseButton(button, down);
          return;
        }
        if (down) {
          in.pressMouseButton(button);
          d_.buttonsDown |= 1u << button;
          SDL_CaptureMouse(SDL_TRUE);
        } else {
          in.releaseMouseButton(button);
          d_.buttonsDown &= ~(1u << button);
          if (d_.buttonsDown == 0) SDL_CaptureMouse(SDL_FALSE);
        }
        return;
      }
      default: return;
    }
  }

  void activation(const SDL_Event& event) {
    if (event.type == SDL_WINDOWEVENT) {
      switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED: run_.screenLost(); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: run_.screenRegained(); break;
        default: break;
      }
    } else if (event.type == SDL_KEYUP && isSystemKey(event.key) && !isAlt(event.key.keysym.scancode)) {
      // Alt+Tab, F10 and the like hand the screen over to the desktop.
      run_.screenLost();
    }
  }

  RuntimeWindow::Impl& d_;
  RunEventSink& run_;
};

}  // namespace

void RuntimeWindow::interrupt() { g_interrupted.store(true, std::memory_order_relaxed); }
void forgetInterrupt() { g_interrupted.store(false); }

void RuntimeWindow::requestClose() { impl_->closePending = true; }

void RuntimeWindow::setFrameObserver(FrameObserver* observer) { g_frameObserver.store(observer); }

// Every flip is a frame, whether or not the picture changed, so frame numbers follow the
// program's own loop.
void RuntimeWindow::frameShown() {
  FrameObserver* observer = g_frameObserver.load();
  GraphicsDevice* device = impl_->graphics.get();
  if (observer && device && impl_->displayState.load() != 0) observer->frameShown(*this, *device->frontBuffer());
}

void notifyWindowCreated(RuntimeWindow& window) {
  if (FrameObserver* observer = g_frameObserver.load()) observer->windowCreated(window);
}

bool RuntimeWindow::handleNext(RunEventSink& run, int waitMs) {
  Impl& d = *impl_;
  if (g_interrupted.exchange(false) || d.closePending) {
    d.closePending = false;
    run.closeRequested();
    return true;
  }
  d.children.reap();
  tickPlayer(d);
  SDL_Event event;
  if (!(waitMs > 0 ? SDL_WaitEventTimeout(&event, waitMs) : SDL_PollEvent(&event))) return false;
  if (event.type == requestEventType()) {
    if (event.user.code == kRepaintRequest) {
      if (!d.busy) {
        present();
        frameShown();
      }
    } else {
      run.request(static_cast<RunEventSink::Request>(event.user.code));
    }
    return true;
  }
  if (event.type == SDL_WINDOWEVENT && event.window.windowID == SDL_GetWindowID(d.window) && !d.busy &&
      (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)) {
    present();
    return true;
  }
  EventPump(d, run).handle(event);
  return true;
}

}  // namespace korva
