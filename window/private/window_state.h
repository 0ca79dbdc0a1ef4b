// The runtime window's state, shared by its source files (event loop, graphics).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "window/drivers.h"
#include "window/exec.h"
#include "window/presentation_timer.h"
#include "window/presenter.h"
#include "window/runtime_window.h"

struct SDL_Window;

namespace korva {

constexpr int kScaledWindow = 1;
constexpr int kWindowed = 2;
constexpr int kFullScreen = 3;

struct RuntimeWindow::Impl {
  SDL_Window* window = nullptr;
  std::string commandLine;
  std::atomic<Debugger*> debugger{nullptr};
  std::atomic<bool> running{true};
  bool suspended = false;
  bool busy = false;
  // Also read by the presentation timer's thread.
  std::atomic<int> displayState{0};
  std::unique_ptr<TimerSet> timers;
  std::unique_ptr<AudioDriver> audio;
  std::unique_ptr<InputDriver> input;
  std::unique_ptr<FileSystemDriver> fileSystem;
  uint32_t buttonsDown = 0;  // bit per mouse button, for the capture
  int placedX = INT32_MIN, placedY = INT32_MIN;  // where the window was last put
  Children children;

  DisplayDrivers drivers;
  int currentDriver = -1;  // index into drivers while graphics are open
  std::unique_ptr<GraphicsDevice> graphics;
  Presenter presenter;
  PresentationTimer presentationTimer;
  std::atomic<uint32_t> lastPresented{0};
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
};

}  // namespace korva
