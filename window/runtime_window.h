// The one runtime window: its event loop, the running / suspended / busy flags, the link to
// the debugger, the drivers and the live timers.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "window/drivers.h"

struct SDL_Window;
struct SDL_Renderer;
union SDL_Event;

namespace korva {

class Debugger;
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
  // Private requests, as posted by the environment's thread.
  enum Request : int { kSuspendRequest = 1025, kResumeRequest = 1026, kWakeUp = 1027 };
  // Posted by the presentation timer: repaint the window from the front buffer.
  static constexpr int kRepaint = 1028;

  // The window, or null when one exists already (or no window can be made at all).
  // flags bit 0: top-most.
  static RuntimeWindow* create(const std::string& commandLine, Debugger* debugger, int flags);
  // Only the singleton is destroyed: timers, audio, graphics, input, then the window.
  static void destroy(RuntimeWindow* window);
  // The singleton, or null.
  static RuntimeWindow* instance();

  // Handles queued events; blocks while suspended and running. Returns the running flag.
  bool poll();
  // Waits ms milliseconds in slices of at most 100 ms; false when the program must end.
  bool delay(int ms);

  void requestSuspend();
  void requestResume();
  void suspend();
  void resume();

  // Thread-safe: posts one of the private requests.
  void post(Request request);
  // Thread-safe: detaches the debugger, clears running and posts the wake-up.
  void endAsync();
  // Async-signal-safe (Ctrl-C): only sets a flag that the next poll treats as a close of
  // the window. Works before the window exists too; destroy forgets it.
  static void interrupt();

  // Debugger forwarding. error and end detach the debugger first, so only the first of
  // them in a run reaches it; all do nothing without a debugger.
  void runtimeError(const char* message);
  void programEnd(const char* message);
  void debugLog(const char* text);
  void debugStmt(int32_t a, int32_t b);
  void debugEnter(int32_t a, int32_t b, int32_t c);
  void debugLeave();
  bool hasDebugger() const;

  void setTitle(const std::string& title);
  // Starts a program or opens a document; never through a shell. True when started.
  bool execFile(const std::string& command);
  std::string commandLine() const;

  bool running() const;
  bool suspended() const;
  bool busy() const;
  int displayState() const;

  // Driver ownership: open returns null when that driver is open already; close does
  // nothing unless given the open driver.
  InputDriver* openInput(std::unique_ptr<InputDriver> driver);
  void closeInput(InputDriver* driver);
  InputDriver* input() const;
  AudioDriver* openAudio(std::unique_ptr<AudioDriver> driver);
  void closeAudio(AudioDriver* driver);
  FileSystemDriver* openFileSystem(std::unique_ptr<FileSystemDriver> driver);
  void closeFileSystem(FileSystemDriver* driver);
  FileSystemDriver* fileSystem() const;
  AudioDriver* audio() const;
  // The live timers: destroying the set frees them all, first of everything at destroy.
  TimerSet* openTimers(std::unique_ptr<TimerSet> timers);
  TimerSet* timers() const;

  // Display drivers (the window system's displays) and their modes, counted from 0. The
  // list holds the primary display until the first countDrivers, which lists them all.
  // Out-of-range indexes give an empty name, no modes and a null mode.
  int countDrivers();
  std::string driverName(int driver) const;
  int countModes(int driver) const;
  const GfxMode* modeInfo(int driver, int mode) const;
  bool driver3D(int) const { return false; }
  bool windowed3D() const { return false; }
  const DisplayDrivers& drivers() const;

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
  // Shows the back buffer (the graphics device's flip).
  void flip(bool wait);
  // Repaints the window from the front buffer.
  void present();
  // How many times the window has been painted from the front buffer.
  uint64_t presentations() const;
  // Process-wide, kept across windows; null: none.
  static void setFrameObserver(FrameObserver* observer);
  // Places the system pointer at graphics coordinates (scaled to the client area in the
  // scaled window); used by the input driver.
  void moveMouse(int x, int y);
  // Set while graphics are opened or closed: window events are then left alone.
  void setBusy(bool busy);
  SDL_Window* sdlWindow() const;
  // Null until graphics were first opened (or an overlay shown).
  SDL_Renderer* sdlRenderer() const;

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

  ~RuntimeWindow();

 private:
  RuntimeWindow();
  void handleEvent(const SDL_Event& event);
  void handleInput(const SDL_Event& event);
  void handleActivation(const SDL_Event& event);
  void closeRequested();
  bool presentFront(bool vsync);
  void frameShown();
  bool presentOverlay();
  GraphicsDevice* openWindowed(int width, int height, int flags);
  GraphicsDevice* openFullScreen(int width, int height, int depth, int flags);
  void dropWindowEvents();
  void report(const char* message, bool isError);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Where a mouse position in window coordinates lands on the graphics (clientW x clientH
// window, gfxW x gfxH graphics); scaled only in the scaled window. False when the
// position cannot be mapped (a zero-sized area).
bool mapMousePosition(int x, int y, int clientW, int clientH, int gfxW, int gfxH, bool scaled,
                      int& outX, int& outY);
// The window coordinate (client size `client`, graphics size `gfx`) for a graphics
// coordinate in the scaled window: the smallest one that mapMousePosition brings back to
// it, so placing the pointer and reading it back agree.
int scaledWindowCoordinate(int graphics, int client, int gfx);

}  // namespace korva
