// The window's graphics: display drivers, opening and closing the graphics device in the
// three display states, presentation and the pointer. The states and their transitions
// are described in render/display/README.md.
#include <SDL2/SDL.h>

#include <string>
#include <vector>

#include "render/display/display_formats.h"
#include "window/placement.h"
#include "window/private/window_state.h"

namespace korva {

namespace {

constexpr std::chrono::milliseconds kPresentationPeriod{100};
// The codes a failed flip reports, as programs' logs have always shown them: the surface
// was busy (locked), or the display refused the picture.
constexpr int kFlipSurfaceBusy = 430;
constexpr int kFlipGenericFailure = 16389;

}  // namespace

int RuntimeWindow::countDrivers() {
  Impl& d = *impl_;
  if (!d.drivers.allListed()) d.drivers.rebuild(true);
  return d.drivers.count();
}

std::string RuntimeWindow::driverName(int driver) const {
  const GfxDriver* g = impl_->drivers.driver(driver);
  return g ? g->name : std::string();
}

int RuntimeWindow::countModes(int driver) const {
  const GfxDriver* g = impl_->drivers.driver(driver);
  return g ? static_cast<int>(g->modes.size()) : 0;
}

const GfxMode* RuntimeWindow::modeInfo(int driver, int mode) const { return impl_->drivers.mode(driver, mode); }
const DisplayDrivers& RuntimeWindow::drivers() const { return impl_->drivers; }
GraphicsDevice* RuntimeWindow::graphics() const { return impl_->graphics.get(); }
uint64_t RuntimeWindow::presentations() const { return impl_->presentations; }

GraphicsDevice* RuntimeWindow::openGraphics(int width, int height, int depth, int driver, int flags) {
  Impl& d = *impl_;
  if (d.graphics || width <= 0 || height <= 0) return nullptr;
  d.busy = true;
  d.currentDriver = (flags & kWindowedGraphics) ? 0 : driver;
  GraphicsDevice* device = nullptr;
  if (flags & kWindowedGraphics)
    device = openWindowed(width, height, flags);
  else
    device = openFullScreen(width, height, depth, flags);
  if (device) {
    Canvas* front = device->frontBuffer();
    // Shown at once below: the timer must not show the same picture again as a new frame.
    d.lastPresented.store(front->stamp());
    // In full screen too: the front buffer is the screen, so drawing on it must show.
    d.presentationTimer.start(kPresentationPeriod, [this, front] {
      Impl& s = *impl_;
      std::lock_guard lock(s.presentedLock);
      uint32_t stamp = front->stamp();
      if (s.displayState.load() == 0 || stamp == s.lastPresented.load()) return;
      s.lastPresented.store(stamp);
      post(static_cast<RunEventSink::Request>(kRepaintRequest));
    });
    presentFront(false);
  } else {
    d.currentDriver = -1;
  }
  dropWindowEvents();
  d.busy = false;
  return device;
}

GraphicsDevice* RuntimeWindow::openWindowed(int width, int height, int flags) {
  Impl& d = *impl_;
  const GfxDriver* driver = d.drivers.driver(0);
  SDL_DisplayMode desktop{};
  int display = driver ? driver->display : 0;
  uint32_t format = SDL_GetDesktopDisplayMode(display, &desktop) == 0 ? desktop.format : uint32_t{SDL_PIXELFORMAT_RGB888};
  PixelLayout layout = desktopLayout(format);
  auto device = GraphicsDevice::create([this](bool wait) { flip(wait); }, width, height, layout, true,
                                       DisplayTiming{desktop.refresh_rate, desktop.h});
  if (!device || !d.presenter.prepare(d.window, width, height, sdlFormatOf(layout))) {
    d.presenter.release();
    return nullptr;
  }
  const bool scaled = (flags & kScaledGraphics) != 0;
  const bool neverShown = (SDL_GetWindowFlags(d.window) & SDL_WINDOW_HIDDEN) != 0;
  SDL_SetWindowBordered(d.window, SDL_TRUE);
  // Both windowed states can be resized by the player; the picture follows the window.
  SDL_SetWindowResizable(d.window, SDL_TRUE);
  // A scaled window keeps the size it has; one that was never shown has none worth keeping.
  // The player's scale makes the window that many times the game's size (outside the
  // desktop's full screen that is where it goes back to).
  if (!scaled || neverShown) {
    const int scale = startScale(d, width, height);
    setWindowedSize(d, width * scale, height * scale);
  }
  int shownW = width, shownH = height;
  SDL_GetWindowSize(d.window, &shownW, &shownH);
  if (!d.inDesktopFullScreen) placeOnScreen(d.window, shownW, shownH, neverShown, d.placedX, d.placedY);
  SDL_ShowWindow(d.window);
  applyDesktopFullScreen(d);
  d.graphics = std::move(device);
  d.displayState.store(scaled ? kScaledWindow : kWindowed);
  return d.graphics.get();
}

GraphicsDevice* RuntimeWindow::openFullScreen(int width, int height, int depth, int flags) {
  Impl& d = *impl_;
  const GfxDriver* driver = d.drivers.driver(d.currentDriver);
  if (!driver) return nullptr;
  const int chosen = chooseFullScreenDepth(
      depth, (flags & k3DGraphics) != 0,
      [&](int bits) {
        return (bits == 16 || bits == 24 || bits == 32) && fullScreenMode(*driver, width, height, bits) != nullptr;
      },
      blitCapabilityScore);
  if (chosen == 0) return nullptr;
  const GfxMode* mode = fullScreenMode(*driver, width, height, chosen);

  Impl::Placement& saved = d.saved;
  SDL_GetWindowPosition(d.window, &saved.x, &saved.y);
  SDL_GetWindowSize(d.window, &saved.w, &saved.h);
  saved.flags = SDL_GetWindowFlags(d.window);
  auto restorePlacement = [&] {
    SDL_SetWindowFullscreen(d.window, saved.flags & SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_SetWindowBordered(d.window, (saved.flags & SDL_WINDOW_BORDERLESS) ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowResizable(d.window, (saved.flags & SDL_WINDOW_RESIZABLE) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(d.window, saved.w, saved.h);
    SDL_SetWindowPosition(d.window, saved.x, saved.y);
    if (saved.flags & SDL_WINDOW_HIDDEN) SDL_HideWindow(d.window);
  };

  PixelLayout layout = layoutForDepth(chosen);
  auto device = GraphicsDevice::create([this](bool wait) { flip(wait); }, width, height, layout, false, DisplayTiming{mode->refreshRate, height});
  SDL_DisplayMode sdlMode{mode->sdlFormat, mode->width, mode->height, mode->refreshRate, nullptr};
  SDL_SetWindowPosition(d.window, SDL_WINDOWPOS_CENTERED_DISPLAY(driver->display),
                        SDL_WINDOWPOS_CENTERED_DISPLAY(driver->display));
  SDL_ShowWindow(d.window);
  if (!device || SDL_SetWindowDisplayMode(d.window, &sdlMode) != 0 ||
      SDL_SetWindowFullscreen(d.window, SDL_WINDOW_FULLSCREEN) != 0 ||
      !d.presenter.prepare(d.window, width, height, sdlFormatOf(layout))) {
    d.presenter.release();
    restorePlacement();
    return nullptr;
  }
  d.graphics = std::move(device);
  d.displayState.store(kFullScreen);
  if (d.input) d.input->acquireAll();
  return d.graphics.get();
}

void RuntimeWindow::closeGraphics(GraphicsDevice* device) {
  Impl& d = *impl_;
  if (!device || device != d.graphics.get()) return;
  d.busy = true;
  const bool fullScreen = d.displayState.load() == kFullScreen;
  if (fullScreen && d.input) d.input->unacquireAll();
  // The timer reads the front buffer: it stops before the device goes.
  d.presentationTimer.stop();
  d.graphics.reset();
  d.presenter.release();
  d.currentDriver = -1;
  if (fullScreen) {
    const Impl::Placement& saved = d.saved;
    // Back to the window, or to the desktop's full screen when the player had chosen it.
    SDL_SetWindowFullscreen(d.window, saved.flags & SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_SetWindowBordered(d.window, (saved.flags & SDL_WINDOW_BORDERLESS) ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowResizable(d.window, (saved.flags & SDL_WINDOW_RESIZABLE) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(d.window, saved.w, saved.h);
    SDL_SetWindowPosition(d.window, saved.x, saved.y);
    if (saved.flags & SDL_WINDOW_HIDDEN) SDL_HideWindow(d.window);
  }
  d.displayState.store(0);
  dropWindowEvents();
  d.busy = false;
}

// Events the window system sent about our own style and size changes are not input and
// must not suspend the program; a close request is kept.
void RuntimeWindow::dropWindowEvents() {
  SDL_PumpEvents();
  std::vector<SDL_Event> keep;
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) == 1)
    if (event.window.event == SDL_WINDOWEVENT_CLOSE || event.window.windowID != SDL_GetWindowID(impl_->window))
      keep.push_back(event);
  for (SDL_Event& e : keep) SDL_PushEvent(&e);
}

bool RuntimeWindow::presentFront(bool vsync) {
  Impl& d = *impl_;
  if (d.overlay) return presentOverlay();
  GraphicsDevice* device = d.graphics.get();
  int state = d.displayState.load();
  if (!device || state == 0) return true;
  ++d.presentations;
  const Scaling scaling = scalingOf(d);
  if (!d.presenter.present(device->frontBuffer()->surface(), device->width(), device->height(), scaling,
                           d.player.smooth(scaling), vsync))
    return false;
  picturePresented(d);
  return true;
}

void RuntimeWindow::present() { presentFront(false); }

void RuntimeWindow::flip(bool wait) {
  Impl& d = *impl_;
  GraphicsDevice* device = d.graphics.get();
  int state = d.displayState.load();
  if (!device || state == 0) return;
  const bool timedWait = wait && !d.presenter.hasVSync();
  Canvas& front = *device->frontBuffer();
  Canvas& back = *device->backBuffer();
  if (state != kFullScreen) {
    if (timedWait) device->waitVBlank();
    bool fresh = false;
    {
      std::lock_guard lock(d.presentedLock);
      front.setStamp(back.stamp());
      fresh = front.stamp() != d.lastPresented.load();
      if (fresh) d.lastPresented.store(front.stamp());
    }
    if (fresh) presentFront(wait);
    frameShown();
    return;
  }
  int failure = 0;
  bool swapped = false;
  {
    std::lock_guard lock(d.presentedLock);
    swapped = front.swapSurfaces(back);
    if (swapped) d.lastPresented.store(front.stamp());
  }
  if (!swapped) {
    failure = kFlipSurfaceBusy;
  } else {
    if (timedWait) device->waitVBlank();
    if (!presentFront(wait)) failure = kFlipGenericFailure;
  }
  if (failure) d.logText(("Flip Failed! Return code:" + std::to_string(failure)).c_str());
  frameShown();
}


void RuntimeWindow::moveMouse(int x, int y) {
  Impl& d = *impl_;
  int state = d.displayState.load();
  if ((state == kScaledWindow || state == kWindowed) && d.graphics) {
    const PictureArea area = pictureAreaInWindow(d);
    SDL_WarpMouseInWindow(d.window, gameToWindow(x, area.x, area.w, d.graphics->width()),
                          gameToWindow(y, area.y, area.h, d.graphics->height()));
  } else if (state == kScaledWindow || state == kWindowed) {
    SDL_WarpMouseInWindow(d.window, x, y);
  } else {
    SDL_WarpMouseGlobal(x, y);
  }
}

bool RuntimeWindow::pictureArea(int& x, int& y, int& width, int& height) const {
  if (!impl_->graphics) return false;
  const PictureArea area = pictureAreaInWindow(*impl_);
  x = area.x, y = area.y, width = area.w, height = area.h;
  return true;
}

bool RuntimeWindow::desktopFullScreen() const { return impl_->desktopFullScreen; }

}  // namespace korva
