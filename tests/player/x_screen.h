// An X server for the player's tests, with or without a window manager, and what a player
// would see there: the runtime window found by its title, its pixels, its place, the
// pointer. Xlib's errors (a window gone while it is read) are counted, never fatal.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/xvfb.h"

// Xlib's own types without its macros, which spoil other headers.
typedef struct _XDisplay Display;
typedef unsigned long XID;

namespace korva::test {

struct Grab {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;  // the client area, x and y on the root window
  bool viewable = false;
};

class XScreen {
 public:
  // screen: WIDTHxHEIGHT; manager: start openbox and wait until it manages the screen.
  XScreen(const std::string& screen, bool manager);
  ~XScreen();
  // Empty when all is well, otherwise why the screen could not be set up.
  const std::string& problem() const { return problem_; }
  const std::string& display() const { return server_->display(); }

  // The first window titled "Korva Runtime Window" that is viewable, or 0.
  XID runtimeWindow();
  Geometry geometry(XID window);
  // The window's client area; empty when it cannot be read.
  Grab grab(XID window);
  // Where the pointer is, relative to the window.
  bool pointer(XID window, int& x, int& y);
  // Polls until the condition holds or the limit passes; whether it held.
  static bool await(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Runs xdotool with arguments on this screen; true when it succeeded.
  bool xdotool(const std::string& arguments) const;

 private:
  std::unique_ptr<Xvfb> server_;
  Display* x_ = nullptr;
  pid_t manager_ = -1;
  std::string problem_;
};

}  // namespace korva::test
