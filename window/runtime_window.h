// The runtime window: the SDL window, its event pump, presentation and the display states.
// It knows nothing of the run: what its events mean for the program goes to the sinks of
// event_sinks.h, and the run (run/run_context.h) owns the drivers and the suspension.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "window/event_sinks.h"

namespace korva {

class Canvas;
class GraphicsDevice;
class DisplayDrivers;
struct GfxMode;
class RuntimeWindow;

// Sees the window come into being and every frame it shows; headless capture saves frames
// and feeds its scripted input through it. Called on the program's thread.
class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  // The window exists; no module has started yet.
  virtual void windowCreated(RuntimeWindow& window) = 0;
  // A Flip, or a repaint the presentation timer asked for, has just shown front.
  virtual void frameShown(RuntimeWindow& window, const Canvas& front) = 0;
};

class RuntimeWindow {
 public:
  // The window, hidden until graphics open; null when one exists already in this process
  // or none can be made. flags bit 0: top-most.
  static std::unique_ptr<RuntimeWindow> create(int flags);
  // Timers' repaints stop, graphics close, then the window goes.
  ~RuntimeWindow();

  // Handles the next event, waiting up to waitMs for one; false when none came. Events
  // are dropped while busy, except a close.
  bool handleNext(RunEventSink& run, int waitMs);
  // Thread-safe: posts one of the environment's requests.
  void post(RunEventSink::Request request);
  // Async-signal-safe (Ctrl-C): the next handleNext reports a close. Works before the
  // window exists too; the window's end forgets it.
  static void interrupt();
  // The next handleNext reports a close, as if the user had closed the window.
  void requestClose();
  // Where keys and the pointer go; null: nowhere.
  void setInputSink(InputSink* sink);
  // Set while graphics are opened or closed, or the run suspends or resumes.
  void setBusy(bool busy);
  bool busy() const;

  // The program's title; a notice of the run-time's (a screenshot taken) may stand after
  // it for a few seconds.
  void setTitle(const std::string& title);
  // Starts a program or opens a document; never through a shell. True when started.
  bool execFile(const std::string& command);
  // SDL's id of the window, for code that reads its events itself (the start dialog).
  uint32_t windowId() const;
  // Full screen hands the screen back (minimised) and takes it again (restored, raised).
  void giveScreenBack();
  void takeScreen();

  // Display drivers (the window system's displays) and their modes, counted from 0. The
  // list holds the primary display until the first countDrivers, which lists them all.
  // Out-of-range indexes give an empty name, no modes and a null mode.
  int countDrivers();
  std::string driverName(int driver) const;
  int countModes(int driver) const;
  const GfxMode* modeInfo(int driver, int mode) const;
  const DisplayDrivers& drivers() const;

  // 0 no graphics, 1 scaled window, 2 window, 3 full screen.
  int displayState() const;
  // Graphics open in one of three display states (see render/display/README.md), chosen
  // by the flags: kWindowedGraphics alone a window whose client area is width x height,
  // with kScaledGraphics a resizable window that keeps its size and stretches the picture,
  // without kWindowedGraphics full screen on the driver at that index (depth 0: chosen).
  // Null, and nothing changed, when graphics are open already or the device cannot be made.
  enum GraphicsFlags : int { kWindowedGraphics = 1, kScaledGraphics = 2, k3DGraphics = 4 };
  GraphicsDevice* openGraphics(int width, int height, int depth, int driver, int flags);
  // Only the open device is closed; the window stays as it is, except that full screen
  // gives the window back its earlier style and place.
  void closeGraphics(GraphicsDevice* device);
  GraphicsDevice* graphics() const;
  // Repaints the window from the front buffer.
  void present();
  // How many times the window has been painted from the front buffer.
  uint64_t presentations() const;
  // Process-wide, kept across windows; null: none.
  static void setFrameObserver(FrameObserver* observer);
  // Places the system pointer at graphics coordinates (where that pixel is shown, however
  // the picture is scaled).
  void moveMouse(int x, int y);
  // Where the game's picture is shown, in window coordinates (x, y, width, height); false
  // without graphics.
  bool pictureArea(int& x, int& y, int& width, int& height) const;
  // Whether the window is in the desktop's full screen by the player's choice.
  bool desktopFullScreen() const;
  // Where the flip of a device reports a failure it only logs ("Flip Failed!...").
  void setLogSink(void (*log)(void* context, const char* text), void* context);

  // A canvas of the caller's (a dialog over the program) shown centred over the program's
  // picture, or alone without graphics; every repaint shows it until endOverlay. Call it
  // again after drawing on the canvas. Outside full screen a hidden window is shown at the
  // canvas's size and a smaller one grows to hold it; a full screen smaller than the canvas
  // shows it scaled down. The canvas must live until endOverlay.
  void showOverlay(const Canvas& canvas);
  // Puts the window back as it was before showOverlay: its size, hidden again if it was,
  // and the program's picture alone.
  void endOverlay();
  // Where the overlay shows, in window coordinates; false when none is shown.
  bool overlayArea(int& x, int& y, int& width, int& height) const;
  void raise();

  struct Impl;

 private:
  RuntimeWindow();
  void flip(bool wait);
  bool presentFront(bool vsync);
  void frameShown();
  bool presentOverlay();
  GraphicsDevice* openWindowed(int width, int height, int flags);
  GraphicsDevice* openFullScreen(int width, int height, int depth, int flags);
  void dropWindowEvents();
  std::unique_ptr<Impl> impl_;
};

}  // namespace korva
