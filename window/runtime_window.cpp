#include "window/runtime_window.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "korva/runtime.h"
#include "window/exec.h"
#include "window/private/window_state.h"
#include "window/scancodes.h"

namespace korva {
namespace {

constexpr char kTitle[] = "Korva Runtime Window";
// How long a suspended poll sleeps before it looks at the interrupt flag again.
constexpr int kWaitSliceMs = 100;

std::atomic<RuntimeWindow*> g_instance{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free, "interrupt() must be async-signal-safe");
std::atomic<bool> g_interrupted{false};
// The SDL event type of the private requests, registered once for the process.
std::atomic<uint32_t> g_requestEvent{0};
std::atomic<FrameObserver*> g_frameObserver{nullptr};

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

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

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

}  // namespace

int scaledWindowCoordinate(int graphics, int client, int gfx) {
  if (gfx <= 0) return graphics;
  int64_t scaled = int64_t{graphics} * client;
  int64_t q = scaled / gfx;
  if (scaled % gfx != 0 && scaled > 0) ++q;  // round up: truncation going back lands on it
  return static_cast<int>(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

bool mapMousePosition(int x, int y, int clientW, int clientH, int gfxW, int gfxH, bool scaled,
                      int& outX, int& outY) {
  if (gfxW <= 0 || gfxH <= 0) return false;
  if (scaled) {
    if (clientW <= 0 || clientH <= 0) return false;
    x = static_cast<int>(int64_t{x} * gfxW / clientW);
    y = static_cast<int>(int64_t{y} * gfxH / clientH);
  }
  outX = std::clamp(x, 0, gfxW - 1);
  outY = std::clamp(y, 0, gfxH - 1);
  return true;
}

RuntimeWindow::RuntimeWindow() : impl_(std::make_unique<Impl>()) {}

RuntimeWindow* RuntimeWindow::create(const std::string& commandLine, Debugger* debugger, int flags) {
  if (g_instance.load()) return nullptr;
  if (!startVideo()) {
    // Nothing can run without a window; say so rather than end in silence.
    std::fprintf(stderr, "korva: cannot open the runtime window: %s\n", SDL_GetError());
    return nullptr;
  }
  if (g_requestEvent.load() == 0) {
    uint32_t type = SDL_RegisterEvents(1);
    if (type == static_cast<uint32_t>(-1)) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return nullptr;
    }
    g_requestEvent.store(type);
  }
  uint32_t windowFlags = SDL_WINDOW_HIDDEN | ((flags & 1) ? SDL_WINDOW_ALWAYS_ON_TOP : 0);
  SDL_Window* sdlWindow =
      SDL_CreateWindow(kTitle, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1, 1, windowFlags);
  if (!sdlWindow) {
    std::fprintf(stderr, "korva: cannot open the runtime window: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  // Requests left over from an earlier run must not act on this one.
  SDL_FlushEvent(g_requestEvent.load());

  RuntimeWindow* window = new RuntimeWindow();
  window->impl_->window = sdlWindow;
  window->impl_->commandLine = commandLine;
  window->impl_->debugger.store(debugger);
  window->impl_->drivers.rebuild(false);
  g_instance.store(window);
  if (FrameObserver* observer = g_frameObserver.load()) observer->windowCreated(*window);
  return window;
}

void RuntimeWindow::destroy(RuntimeWindow* window) {
  if (!window || window != g_instance.load()) return;
  delete window;
}

RuntimeWindow::~RuntimeWindow() {
  Impl& d = *impl_;
  d.timers.reset();
  d.audio.reset();
  closeGraphics(d.graphics.get());
  d.input.reset();
  d.fileSystem.reset();
  d.children.reap();
  d.presenter.destroy();
  if (d.window) {
    SDL_CaptureMouse(SDL_FALSE);
    SDL_DestroyWindow(d.window);
    d.window = nullptr;
  }
  SDL_FlushEvent(g_requestEvent.load());
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  RuntimeWindow* self = this;
  g_instance.compare_exchange_strong(self, nullptr);
  g_interrupted.store(false);
}

RuntimeWindow* RuntimeWindow::instance() { return g_instance.load(); }

void RuntimeWindow::setFrameObserver(FrameObserver* observer) { g_frameObserver.store(observer); }

// Every flip is a frame, whether or not the picture changed, so frame numbers follow the
// program's own loop.
void RuntimeWindow::frameShown() {
  FrameObserver* observer = g_frameObserver.load();
  GraphicsDevice* device = impl_->graphics.get();
  if (observer && device && impl_->displayState.load() != 0) observer->frameShown(*this, *device->frontBuffer());
}

void RuntimeWindow::interrupt() { g_interrupted.store(true, std::memory_order_relaxed); }

bool RuntimeWindow::poll() {
  Impl& d = *impl_;
  d.children.reap();
  SDL_Event event;
  while (true) {
    if (g_interrupted.exchange(false)) closeRequested();
    if (d.suspended && d.running.load()) {
      if (!SDL_WaitEventTimeout(&event, kWaitSliceMs)) continue;
    } else if (!SDL_PollEvent(&event)) {
      return d.running.load();
    }
    if (event.type == g_requestEvent.load()) {
      if (event.user.code == kSuspendRequest && !d.suspended) requestSuspend();
      if (event.user.code == kResumeRequest && d.suspended) requestResume();
      if (event.user.code == kRepaint && !d.busy) {
        present();
        frameShown();
      }
    } else {
      handleEvent(event);
    }
  }
}

bool RuntimeWindow::delay(int ms) {
  int64_t start = nowMs();
  while (poll()) {
    int64_t left = start + ms - nowMs();
    if (left < 1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(left, 100)));
  }
  return false;
}

void RuntimeWindow::handleEvent(const SDL_Event& event) {
  Impl& d = *impl_;
  // Another window of a hosting process is none of our business.
  if (event.type == SDL_WINDOWEVENT && event.window.windowID != SDL_GetWindowID(d.window)) return;
  // A close is honoured even while busy: nothing else would end the program.
  if (event.type == SDL_QUIT ||
      (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
    closeRequested();
    return;
  }
  if (d.busy) return;
  if (event.type == SDL_WINDOWEVENT) {
    switch (event.window.event) {
      case SDL_WINDOWEVENT_EXPOSED:
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        present();
        return;
      default: break;
    }
  }
  if (!d.suspended && d.input) handleInput(event);
  if (d.displayState == kFullScreen) handleActivation(event);
}

void RuntimeWindow::handleInput(const SDL_Event& event) {
  Impl& d = *impl_;
  InputDriver& input = *d.input;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int code = keyCodeForScancode(event.key.keysym.scancode);
      if (d.displayState == kFullScreen) {
        // Full-screen input comes from the devices; system keys go to the activation rule.
        if (!isSystemKey(event.key)) input.acquireAll();
        // The device has no auto-repeat, and sees system keys too.
        if (code != 0 && (event.type == SDL_KEYUP || event.key.repeat == 0))
          input.deviceKey(code, event.type == SDL_KEYDOWN);
        return;
      }
      if (code == 0) return;
      if (event.type == SDL_KEYUP) {
        input.releaseKey(code);
      } else if (event.key.repeat == 0) {
        input.pressKey(code);
      }
      return;
    }
    case SDL_MOUSEMOTION: {
      if (d.displayState == kFullScreen) {
        input.acquireAll();
        input.deviceMouseMotion(event.motion.xrel, event.motion.yrel);
        return;
      }
      if (!d.graphics) return;
      int clientW = 0, clientH = 0;
      SDL_GetWindowSize(d.window, &clientW, &clientH);
      int x, y;
      if (mapMousePosition(event.motion.x, event.motion.y, clientW, clientH, d.graphics->width(),
                           d.graphics->height(), d.displayState == kScaledWindow, x, y))
        input.setMousePosition(x, y);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int button = mouseButton(event.button.button);
      if (button == 0) return;
      if (d.displayState == kFullScreen) {
        input.acquireAll();
        input.deviceMouseButton(button, event.type == SDL_MOUSEBUTTONDOWN);
        return;
      }
      if (event.type == SDL_MOUSEBUTTONDOWN) {
        input.pressMouseButton(button);
        d.buttonsDown |= 1u << button;
        SDL_CaptureMouse(SDL_TRUE);
      } else {
        input.releaseMouseButton(button);
        d.buttonsDown &= ~(1u << button);
        if (d.buttonsDown == 0) SDL_CaptureMouse(SDL_FALSE);
      }
      return;
    }
    default: return;
  }
}

void RuntimeWindow::handleActivation(const SDL_Event& event) {
  Impl& d = *impl_;
  if (event.type == SDL_WINDOWEVENT) {
    switch (event.window.event) {
      case SDL_WINDOWEVENT_FOCUS_LOST:
      case SDL_WINDOWEVENT_MINIMIZED:
        if (!d.suspended) suspend();
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (d.suspended) resume();
        break;
      default: break;
    }
  } else if (event.type == SDL_KEYUP && isSystemKey(event.key) &&
             !isAlt(event.key.keysym.scancode)) {
    // Alt+Tab, F10 and the like hand the screen over to the desktop.
    if (!d.suspended) suspend();
  }
}

void RuntimeWindow::closeRequested() {
  impl_->debugger.store(nullptr);
  impl_->running.store(false);
  post(kWakeUp);
}

void RuntimeWindow::requestSuspend() {
  Impl& d = *impl_;
  if (d.displayState == kFullScreen) {
    // Give the screen back. Not every window system reports the lost focus (none does
    // without a display), so the suspension does not wait for it.
    SDL_MinimizeWindow(d.window);
    if (!d.suspended) suspend();
    return;
  }
  suspend();
}

void RuntimeWindow::requestResume() {
  Impl& d = *impl_;
  if (d.displayState == kFullScreen) {
    SDL_RestoreWindow(d.window);
    SDL_RaiseWindow(d.window);
    if (d.suspended) resume();
    return;
  }
  resume();
}

void RuntimeWindow::suspend() {
  Impl& d = *impl_;
  d.busy = true;
  if (d.audio) d.audio->suspendHook();
  if (d.displayState == kFullScreen) {
    if (d.graphics) d.graphics->suspend();
    if (d.input) d.input->unacquireAll();
  }
  d.busy = false;
  d.suspended = true;
  if (Debugger* debugger = d.debugger.load()) debugger->debugStop();
}

void RuntimeWindow::resume() {
  Impl& d = *impl_;
  d.busy = true;
  if (d.displayState == kFullScreen) {
    if (d.input) d.input->acquireAll();
    if (d.graphics) d.graphics->resume();
  }
  if (d.audio) d.audio->resumeHook();
  d.suspended = false;
  d.busy = false;
  if (Debugger* debugger = d.debugger.load()) debugger->debugRun();
}

void RuntimeWindow::post(Request request) {
  SDL_Event event{};
  event.type = g_requestEvent.load();
  if (event.type == 0) return;
  event.user.code = request;
  SDL_PushEvent(&event);
}

void RuntimeWindow::endAsync() { closeRequested(); }

void RuntimeWindow::report(const char* message, bool isError) {
  Impl& d = *impl_;
  Debugger* debugger = d.debugger.exchange(nullptr);
  if (!debugger) return;
  d.running.store(false);
  post(kWakeUp);
  if (!d.suspended) requestSuspend();
  if (isError) {
    debugger->debugError(message);
  } else {
    debugger->debugEnd(message);
  }
}

void RuntimeWindow::runtimeError(const char* message) { report(message, true); }
void RuntimeWindow::programEnd(const char* message) { report(message, false); }

void RuntimeWindow::debugLog(const char* text) {
  if (Debugger* debugger = impl_->debugger.load()) debugger->debugLog(text);
}
void RuntimeWindow::debugStmt(int32_t a, int32_t b) {
  if (Debugger* debugger = impl_->debugger.load()) debugger->debugStmt(a, b);
}
void RuntimeWindow::debugEnter(int32_t a, int32_t b, int32_t c) {
  if (Debugger* debugger = impl_->debugger.load()) debugger->debugEnter(a, b, c);
}
void RuntimeWindow::debugLeave() {
  if (Debugger* debugger = impl_->debugger.load()) debugger->debugLeave();
}
bool RuntimeWindow::hasDebugger() const { return impl_->debugger.load() != nullptr; }

void RuntimeWindow::setTitle(const std::string& title) {
  SDL_SetWindowTitle(impl_->window, title.c_str());
}

bool RuntimeWindow::execFile(const std::string& command) {
  std::optional<ExecCommand> parsed = parseExecCommand(command);
  if (!parsed) return false;
  // In full screen the started program needs the screen.
  if (impl_->displayState == kFullScreen && !impl_->suspended) requestSuspend();
  pid_t pid = startFile(*parsed);
  if (pid <= 0) return false;
  impl_->children.add(pid);
  return true;
}

std::string RuntimeWindow::commandLine() const { return impl_->commandLine; }

bool RuntimeWindow::running() const { return impl_->running.load(); }
bool RuntimeWindow::suspended() const { return impl_->suspended; }
bool RuntimeWindow::busy() const { return impl_->busy; }
int RuntimeWindow::displayState() const { return impl_->displayState; }

InputDriver* RuntimeWindow::openInput(std::unique_ptr<InputDriver> driver) {
  Impl& d = *impl_;
  if (d.input || !driver) return nullptr;
  d.input = std::move(driver);
  if (d.displayState == kFullScreen) d.input->acquireAll();
  return d.input.get();
}

void RuntimeWindow::closeInput(InputDriver* driver) {
  Impl& d = *impl_;
  if (!driver || driver != d.input.get()) return;
  if (d.displayState == kFullScreen) d.input->unacquireAll();
  d.input.reset();
}

InputDriver* RuntimeWindow::input() const { return impl_->input.get(); }

namespace {

template <typename T>
T* openDriver(std::unique_ptr<T>& slot, std::unique_ptr<T> driver) {
  if (slot || !driver) return nullptr;
  slot = std::move(driver);
  return slot.get();
}

template <typename T>
void closeDriver(std::unique_ptr<T>& slot, T* driver) {
  if (driver && driver == slot.get()) slot.reset();
}

}  // namespace

AudioDriver* RuntimeWindow::openAudio(std::unique_ptr<AudioDriver> driver) {
  return openDriver(impl_->audio, std::move(driver));
}
void RuntimeWindow::closeAudio(AudioDriver* driver) { closeDriver(impl_->audio, driver); }
AudioDriver* RuntimeWindow::audio() const { return impl_->audio.get(); }

FileSystemDriver* RuntimeWindow::openFileSystem(std::unique_ptr<FileSystemDriver> driver) {
  return openDriver(impl_->fileSystem, std::move(driver));
}
void RuntimeWindow::closeFileSystem(FileSystemDriver* driver) {
  closeDriver(impl_->fileSystem, driver);
}
FileSystemDriver* RuntimeWindow::fileSystem() const { return impl_->fileSystem.get(); }

TimerSet* RuntimeWindow::openTimers(std::unique_ptr<TimerSet> timers) {
  return openDriver(impl_->timers, std::move(timers));
}
TimerSet* RuntimeWindow::timers() const { return impl_->timers.get(); }

void RuntimeWindow::setBusy(bool busy) { impl_->busy = busy; }
SDL_Window* RuntimeWindow::sdlWindow() const { return impl_->window; }

}  // namespace korva
