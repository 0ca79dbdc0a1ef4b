// The player's side of the window: the picture scaled to the window, the desktop's full
// screen on Alt+Enter (remembered per game), and screenshots on Alt+F12 or Print Screen.
// None of it changes what the program sees: the display state, the graphics' size and
// the buffers stay as they are.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "render/imagefile/image_file.h"
#include "window/private/window_state.h"
#include "window/user_files.h"
#include "window/window_manager.h"

namespace korva {
namespace {

constexpr uint32_t kNoticeMs = 3000;
// A screenshot waits for the next present while the buffers hold more than was shown; a
// program that stops presenting gets its picture taken as it stands after this long.
constexpr uint32_t kScreenshotWaitMs = 1000;

bool windowed(const RuntimeWindow::Impl& d) {
  const int state = d.displayState.load();
  return state == kScaledWindow || state == kWindowed;
}

std::string today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

void showNotice(RuntimeWindow::Impl& d, const std::string& notice) {
  const std::string base = d.title.empty() ? std::string(SDL_GetWindowTitle(d.window)) : d.title;
  SDL_SetWindowTitle(d.window, (base + " - " + notice).c_str());
  d.noticeUntil = SDL_GetTicks() + kNoticeMs;
  if (d.noticeUntil == 0) d.noticeUntil = 1;
}

void saveScreenshot(RuntimeWindow::Impl& d) {
  d.screenshotPending = false;
  GraphicsDevice* device = d.graphics.get();
  if (!device) return;
  const std::string folder = picturesFolder();
  const std::string game = d.player.game.empty() ? "korva" : d.player.game;
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder + "/Korva", ec);
  const std::string path = nextScreenshotPath(folder.empty() ? "" : folder + "/Korva", game, today());
  std::string error = path.empty() ? "no pictures folder" : "";
  if (!path.empty() && savePng(*device->frontBuffer(), path, error)) {
    std::fprintf(stderr, "korva: screenshot saved as %s\n", path.c_str());
    showNotice(d, "screenshot saved: Korva/" + std::filesystem::path(path).filename().string());
  } else {
    std::fprintf(stderr, "korva: no screenshot: %s\n", error.c_str());
    showNotice(d, "no screenshot: " + error);
  }
}

// Nothing was drawn since the last present: the buffers hold what the player sees.
bool showsWhatWasPresented(const RuntimeWindow::Impl& d) {
  const GraphicsDevice* device = d.graphics.get();
  return device && device->frontBuffer()->stamp() == d.presentedFront &&
         device->backBuffer()->stamp() == d.presentedBack;
}

void rememberFullScreen(const RuntimeWindow::Impl& d) {
  const std::string path = settingsFilePath(d.player.game);
  if (path.empty()) return;
  auto settings = readSettings(path);
  settings["fullscreen"] = d.desktopFullScreen ? "1" : "0";
  if (!writeSettings(path, settings)) std::fprintf(stderr, "korva: cannot write %s\n", path.c_str());
}

}  // namespace

void loadPlayerSettings(RuntimeWindow::Impl& d) {
  d.player = playerSettingsFromEnvironment();
  if (d.player.fullScreen >= 0) {
    d.desktopFullScreen = d.player.fullScreen == 1;
  } else {
    auto settings = readSettings(settingsFilePath(d.player.game));
    d.desktopFullScreen = settings["fullscreen"] == "1";
  }
}

Scaling scalingOf(const RuntimeWindow::Impl& d) {
  return d.displayState.load() == kScaledWindow ? Scaling::kStretch : d.player.scaling;
}

PictureArea pictureAreaInWindow(const RuntimeWindow::Impl& d) {
  const GraphicsDevice* device = d.graphics.get();
  if (!device) return {};
  int winW = 0, winH = 0, outW = 0, outH = 0;
  SDL_GetWindowSize(d.window, &winW, &winH);
  // On a high-density screen the picture is placed in real pixels, the pointer in points.
  if (!d.presenter.renderer() || SDL_GetRendererOutputSize(d.presenter.renderer(), &outW, &outH) != 0 || outW <= 0 ||
      outH <= 0)
    outW = winW, outH = winH;
  PictureArea area = placePicture(outW, outH, device->width(), device->height(), scalingOf(d));
  return rescaleArea(area, outW, outH, winW, winH);
}

int startScale(const RuntimeWindow::Impl& d, int w, int h) {
  int scale = std::max(1, d.player.scale);
  SDL_Rect usable{};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(d.window));
  if (scale > 1 && w > 0 && h > 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0)
    scale = std::max(1, std::min({scale, usable.w / w, usable.h / h}));
  return scale;
}

void applyDesktopFullScreen(RuntimeWindow::Impl& d) {
  if (d.desktopFullScreen == d.inDesktopFullScreen) return;
  d.inDesktopFullScreen = d.desktopFullScreen;
  if (!d.desktopFullScreen) {
    if (!d.fullScreenByHand) {
      SDL_SetWindowFullscreen(d.window, 0);
      return;
    }
    d.fullScreenByHand = false;
    SDL_SetWindowSize(d.window, d.windowedW, d.windowedH);
    SDL_SetWindowPosition(d.window, d.windowedX, d.windowedY);
    return;
  }
  SDL_Rect screen{};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(d.window));
  if (hasWindowManager(d.window) || SDL_GetDisplayBounds(display, &screen) != 0) {
    SDL_SetWindowFullscreen(d.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  // Nobody would answer the request: the window takes the whole display itself.
  d.fullScreenByHand = true;
  SDL_GetWindowPosition(d.window, &d.windowedX, &d.windowedY);
  SDL_GetWindowSize(d.window, &d.windowedW, &d.windowedH);
  SDL_SetWindowPosition(d.window, screen.x, screen.y);
  SDL_SetWindowSize(d.window, screen.w, screen.h);
}

void setWindowedSize(RuntimeWindow::Impl& d, int w, int h) {
  if (d.fullScreenByHand) {
    d.windowedW = w, d.windowedH = h;
  } else {
    // SDL keeps it for the window's return from its full screen.
    SDL_SetWindowSize(d.window, w, h);
  }
}

bool handleHotKey(RuntimeWindow::Impl& d, const SDL_KeyboardEvent& key) {
  HotKeyFilter::Verdict verdict = d.hotKeys.filter(key);
  switch (verdict.action) {
    case HotKey::kToggleFullScreen:
      if (windowed(d)) {
        d.desktopFullScreen = !d.desktopFullScreen;
        applyDesktopFullScreen(d);
        rememberFullScreen(d);
      }
      break;
    case HotKey::kScreenshot:
      if (d.graphics && !d.screenshotPending) {
        d.screenshotPending = true;
        d.screenshotAskedAt = SDL_GetTicks();
        if (showsWhatWasPresented(d)) saveScreenshot(d);
      }
      break;
    case HotKey::kNone: break;
  }
  return verdict.taken;
}

void picturePresented(RuntimeWindow::Impl& d) {
  const GraphicsDevice* device = d.graphics.get();
  if (!device) return;
  d.presentedFront = device->frontBuffer()->stamp();
  d.presentedBack = device->backBuffer()->stamp();
  if (d.screenshotPending) saveScreenshot(d);
}

void tickPlayer(RuntimeWindow::Impl& d) {
  // Every input query passes here: the clock is read only when something waits for it.
  if (d.noticeUntil == 0 && !d.screenshotPending) return;
  const uint32_t now = SDL_GetTicks();
  if (d.noticeUntil != 0 && static_cast<int32_t>(now - d.noticeUntil) >= 0) {
    d.noticeUntil = 0;
    SDL_SetWindowTitle(d.window, d.title.c_str());
  }
  if (d.screenshotPending && now - d.screenshotAskedAt >= kScreenshotWaitMs) saveScreenshot(d);
}

}  // namespace korva
