// The runtime window's state, shared by its source files (events, graphics, overlay).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "window/exec.h"
#include "window/hot_keys.h"
#include "window/picture_area.h"
#include "window/player_settings.h"
#include "window/presentation_timer.h"
#include "window/presenter.h"
#include "window/runtime_window.h"

struct SDL_Window;
struct SDL_KeyboardEvent;

namespace korva {

constexpr int kScaledWindow = 1;
constexpr int kWindowed = 2;
constexpr int kFullScreen = 3;

// Posted by the presentation timer: repaint the window from the front buffer. Beside the
// environment's requests (1025-1027), in the same private event type.
constexpr int kRepaintRequest = 1028;

struct RuntimeWindow::Impl {
  SDL_Window* window = nullptr;
  InputSink* input = nullptr;
  bool busy = false;
  bool closePending = false;
  // Also read by the presentation timer's thread.
  std::atomic<int> displayState{0};
  uint32_t buttonsDown = 0;  // bit per mouse button, for the capture
  int placedX = INT32_MIN, placedY = INT32_MIN;  // where the window was last put
  Children children;
  void (*log)(void*, const char*) = nullptr;
  void* logContext = nullptr;

  DisplayDrivers drivers;
  int currentDriver = -1;  // index into drivers while graphics are open
  std::unique_ptr<GraphicsDevice> graphics;
  Presenter presenter;
  PresentationTimer presentationTimer;
  std::atomic<uint32_t> lastPresented{0};
  // Held while a flip gives the front buffer its new stamp and takes it as presented, and
  // while the timer compares the two: a timer between those two steps would take the flipped
  // picture for a new one and count it as a frame of its own.
  std::mutex presentedLock;
  uint64_t presentations = 0;
  // The window as it was before full screen took it over.
  struct Placement {
    int x = 0, y = 0, w = 0, h = 0;
    uint32_t flags = 0;
  } saved;

  // A caller's canvas shown over the graphics (window_overlay.cpp), where it landed in
  // window coordinates, and the window as it was before it.
  const Canvas* overlay = nullptr;
  int overlayX = 0, overlayY = 0, overlayW = 0, overlayH = 0;
  struct {
    int w = 0, h = 0;
    bool hidden = false;
  } beforeOverlay;

  // The player's side (window_player.cpp): scaling, desktop full screen, hot keys,
  // screenshots and the title's notices.
  PlayerSettings player;
  bool desktopFullScreen = false;  // the player's choice, kept across graphics
  bool inDesktopFullScreen = false;  // what the window is now
  // Without a window manager the window covers the screen itself and goes back here.
  bool fullScreenByHand = false;
  int windowedX = 0, windowedY = 0, windowedW = 0, windowedH = 0;
  HotKeyFilter hotKeys;
  std::string title;              // the program's own
  uint32_t noticeUntil = 0;       // SDL ticks; 0: the title is the program's
  bool screenshotPending = false;
  uint32_t screenshotAskedAt = 0;
  uint32_t presentedFront = 0, presentedBack = 0;  // the buffers' stamps at the last present

  void logText(const char* text) const {
    if (log) log(logContext, text);
  }
};

// window_player.cpp.
// The player's settings from the environment and, for what that leaves open, the game's
// settings file.
void loadPlayerSettings(RuntimeWindow::Impl& d);
// How the picture is scaled in the display state: the scaled window stretches, as its
// programs expect; the others as the player chose.
Scaling scalingOf(const RuntimeWindow::Impl& d);
// Where the picture is, in window coordinates (empty without graphics).
PictureArea pictureAreaInWindow(const RuntimeWindow::Impl& d);
// The window's size for a w x h game: the player's scale, as far as it fits the display.
int startScale(const RuntimeWindow::Impl& d, int w, int h);
// Puts the window in or out of the desktop's full screen as the player chose.
void applyDesktopFullScreen(RuntimeWindow::Impl& d);
// The window's size outside the desktop's full screen: now, or when it leaves it.
void setWindowedSize(RuntimeWindow::Impl& d, int w, int h);
// The hot keys' work; true when the key event was one of theirs.
bool handleHotKey(RuntimeWindow::Impl& d, const SDL_KeyboardEvent& key);
// After each present: the stamps it showed, and a screenshot that waited for it.
void picturePresented(RuntimeWindow::Impl& d);
// On every pass of the event loop: the title back once a notice has been read, and a
// screenshot that waited too long for a present taken as things are.
void tickPlayer(RuntimeWindow::Impl& d);

// The SDL event type of the private requests, registered once for the process.
uint32_t requestEventType();
// The Ctrl-C flag is the process's; a window's end forgets it.
void forgetInterrupt();
// Tells the frame observer a window exists.
void notifyWindowCreated(RuntimeWindow& window);

}  // namespace korva
