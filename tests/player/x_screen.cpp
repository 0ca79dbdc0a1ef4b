#include "x_screen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>

#include <thread>

#include "support/process.h"

namespace korva::test {
namespace {

int countError(Display*, XErrorEvent*) { return 0; }

XID findByName(Display* x, XID under, const char* name) {
  char* title = nullptr;
  if (XFetchName(x, under, &title) && title) {
    bool match = std::string(title).rfind(name, 0) == 0;
    XFree(title);
    XWindowAttributes a;
    if (match && XGetWindowAttributes(x, under, &a) && a.map_state == IsViewable) return under;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  XID found = 0;
  if (XQueryTree(x, under, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i) found = findByName(x, children[i], name);
    if (children) XFree(children);
  }
  return found;
}

bool managed(Display* x) {
  const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  bool found = XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type, &format, &items,
                                  &after, &data) == Success &&
               items == 1;
  if (data) XFree(data);
  return found;
}

}  // namespace

XScreen::XScreen(const std::string& screen, bool manager) {
  server_ = std::make_unique<Xvfb>(screen + "x24");
  if (server_->display().empty()) {
    problem_ = "Xvfb did not start: " + slurp(server_->logFile());
    return;
  }
  x_ = XOpenDisplay(server_->display().c_str());
  if (!x_) {
    problem_ = "cannot open " + server_->display();
    return;
  }
  XSetErrorHandler(&countError);
  if (!manager) return;
  manager_ = spawn({"openbox", "--sm-disable"}, {"DISPLAY=" + server_->display()}, tempDir() + "/openbox.log");
  if (manager_ <= 0 || !await([&] { return managed(x_); })) problem_ = "openbox did not start";
}

XScreen::~XScreen() {
  if (x_) XCloseDisplay(x_);
  if (manager_ > 0) {
    kill(manager_, SIGTERM);
    waitFor(manager_, std::chrono::seconds(5));
  }
}

bool XScreen::await(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return true;
}

XID XScreen::runtimeWindow() { return x_ ? findByName(x_, DefaultRootWindow(x_), "Korva Runtime Window") : 0; }

Geometry XScreen::geometry(XID window) {
  Geometry g;
  XWindowAttributes a;
  if (!x_ || !window || !XGetWindowAttributes(x_, window, &a)) return g;
  Window child;
  XTranslateCoordinates(x_, window, DefaultRootWindow(x_), 0, 0, &g.x, &g.y, &child);
  g.width = a.width, g.height = a.height;
  g.viewable = a.map_state == IsViewable;
  return g;
}

Grab XScreen::grab(XID window) {
  Grab g;
  Geometry at = geometry(window);
  if (!at.viewable || at.width <= 0 || at.height <= 0) return g;
  XSync(x_, False);
  XImage* image = XGetImage(x_, window, 0, 0, static_cast<unsigned>(at.width), static_cast<unsigned>(at.height),
                            AllPlanes, ZPixmap);
  if (!image) return g;
  g.width = at.width, g.height = at.height;
  g.pixels.resize(static_cast<size_t>(g.width) * g.height);
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      auto channel = [p](unsigned long mask) {
        if (!mask) return 0u;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        return static_cast<unsigned>((p & mask) >> shift) & 0xFF;
      };
      g.pixels[static_cast<size_t>(y) * g.width + x] =
          channel(image->red_mask) << 16 | channel(image->green_mask) << 8 | channel(image->blue_mask);
    }
  XDestroyImage(image);
  return g;
}

bool XScreen::pointer(XID window, int& x, int& y) {
  Window root, child;
  int rootX, rootY;
  unsigned mask;
  XSync(x_, False);
  return XQueryPointer(x_, window, &root, &child, &rootX, &rootY, &x, &y, &mask);
}

bool XScreen::xdotool(const std::string& arguments) const {
  return runCommand("DISPLAY=" + server_->display() + " timeout 10 xdotool " + arguments).exitCode == 0;
}

}  // namespace korva::test
