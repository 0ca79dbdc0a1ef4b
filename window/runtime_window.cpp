#include "window/runtime_window.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "window/private/window_state.h"

namespace korva {
namespace {

constexpr char kTitle[] = "Korva Runtime Window";

// One window in the process at a time: a second execute while one exists does nothing.
std::atomic<bool> g_exists{false};
std::atomic<uint32_t> g_requestEvent{0};

// Starts SDL video, falling back to the off-screen and dummy drivers when no display can
// be reached, so a run without a display still works.
bool startVideo() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // With no display in sight, probing the desktop drivers only prints noise on stderr, and
  // a GL renderer off screen would load a software GL stack on every run (about 25 ms)
  // for nothing: the software renderer shows the same pixels.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  for (const char* driver : {"offscreen", "dummy"}) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (started) return true;
  }
  return false;
}

}  // namespace

uint32_t requestEventType() { return g_requestEvent.load(); }

RuntimeWindow::RuntimeWindow() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<RuntimeWindow> RuntimeWindow::create(int flags) {
  bool expected = false;
  if (!g_exists.compare_exchange_strong(expected, true)) return nullptr;
  auto fail = [](const char* what) -> std::unique_ptr<RuntimeWindow> {
    if (what) std::fprintf(stderr, "korva: cannot open the runtime window: %s\n", what);
    g_exists.store(false);
    return nullptr;
  };
  // Nothing can run without a window; say so rather than end in silence.
  if (!startVideo()) return fail(SDL_GetError());
  if (g_requestEvent.load() == 0) {
    uint32_t type = SDL_RegisterEvents(1);
    if (type == static_cast<uint32_t>(-1)) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return fail(nullptr);
    }
    g_requestEvent.store(type);
  }
  // High density: the picture is drawn at the screen's real pixel size.
  uint32_t windowFlags =
      SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI | ((flags & 1) ? SDL_WINDOW_ALWAYS_ON_TOP : 0);
  SDL_Window* sdlWindow =
      SDL_CreateWindow(kTitle, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1, 1, windowFlags);
  if (!sdlWindow) {
    std::string error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return fail(error.c_str());
  }
  // Requests left over from an earlier run must not act on this one.
  SDL_FlushEvent(g_requestEvent.load());

  std::unique_ptr<RuntimeWindow> window(new RuntimeWindow());
  window->impl_->window = sdlWindow;
  window->impl_->title = kTitle;
  loadPlayerSettings(*window->impl_);
  window->impl_->drivers.rebuild(false);
  notifyWindowCreated(*window);
  return window;
}

RuntimeWindow::~RuntimeWindow() {
  Impl& d = *impl_;
  closeGraphics(d.graphics.get());
  d.children.reap();
  d.presenter.destroy();
  if (d.window) {
    SDL_CaptureMouse(SDL_FALSE);
    SDL_DestroyWindow(d.window);
    d.window = nullptr;
  }
  SDL_FlushEvent(g_requestEvent.load());
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  forgetInterrupt();
  g_exists.store(false);
}

void RuntimeWindow::post(RunEventSink::Request request) {
  SDL_Event event{};
  event.type = g_requestEvent.load();
  if (event.type == 0) return;
  event.user.code = request;
  SDL_PushEvent(&event);
}

void RuntimeWindow::setInputSink(InputSink* sink) { impl_->input = sink; }
void RuntimeWindow::setBusy(bool busy) { impl_->busy = busy; }
bool RuntimeWindow::busy() const { return impl_->busy; }
int RuntimeWindow::displayState() const { return impl_->displayState.load(); }
uint32_t RuntimeWindow::windowId() const { return SDL_GetWindowID(impl_->window); }

void RuntimeWindow::setLogSink(void (*log)(void*, const char*), void* context) {
  impl_->log = log;
  impl_->logContext = context;
}

void RuntimeWindow::setTitle(const std::string& title) {
  impl_->title = title;
  // A notice in the title bar stays its time; the program's title follows it.
  if (impl_->noticeUntil == 0) SDL_SetWindowTitle(impl_->window, title.c_str());
}

bool RuntimeWindow::execFile(const std::string& command) {
  impl_->children.reap();
  std::optional<ExecCommand> parsed = parseExecCommand(command);
  if (!parsed) return false;
  pid_t pid = startFile(*parsed);
  if (pid <= 0) return false;
  impl_->children.add(pid);
  return true;
}

void RuntimeWindow::giveScreenBack() { SDL_MinimizeWindow(impl_->window); }

void RuntimeWindow::takeScreen() {
  SDL_RestoreWindow(impl_->window);
  SDL_RaiseWindow(impl_->window);
}

void RuntimeWindow::raise() { SDL_RaiseWindow(impl_->window); }

}  // namespace korva
