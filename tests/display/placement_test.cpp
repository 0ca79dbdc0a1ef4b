// Where the window opens: on a screen smaller or larger than the game, a player sees the
// whole window, or as much as fits from its top-left corner.
#include <gtest/gtest.h>
#include <signal.h>
// After gtest: Xlib's macros (None, Bool, Status) would spoil its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/process.h"
#include "support/programs.h"
#include "support/xvfb.h"
#include "window/placement.h"

namespace korva {
namespace {

TEST(WindowPlacement, CentredFullyInsideOrAtTheTopLeftOfWhatIsUsable) {
  struct Case {
    ScreenRect usable;
    int w, h;
    bool centre;
    int atX, atY;  // where the window is before (ignored when centred)
    int x, y;
  } cases[] = {
      {{0, 0, 1280, 1024}, 640, 480, true, 0, 0, 320, 272},
      {{0, 0, 1024, 768}, 640, 480, true, 0, 0, 192, 144},
      {{0, 0, 800, 600}, 640, 480, true, 0, 0, 80, 60},
      {{0, 0, 640, 480}, 800, 600, true, 0, 0, 0, 0},
      {{0, 30, 1024, 738}, 1024, 768, true, 0, 0, 0, 30},           // a panel above
      {{1920, 0, 1024, 768}, 640, 480, true, 0, 0, 2112, 144},      // a second display
      {{0, 0, 1024, 768}, 640, 480, false, 700, 500, 384, 288},     // moved back inside
      {{0, 0, 1024, 768}, 640, 480, false, 100, 50, 100, 50},       // kept where it is
      {{0, 0, 1024, 768}, 640, 480, false, -50, -20, 0, 0},
  };
  for (const Case& c : cases) {
    int x = c.atX, y = c.atY;
    placeWithin(c.usable, c.w, c.h, c.centre, x, y);
    EXPECT_EQ(x, c.x) << c.usable.w << "x" << c.usable.h << " window " << c.w << "x" << c.h;
    EXPECT_EQ(y, c.y) << c.usable.w << "x" << c.usable.h << " window " << c.w << "x" << c.h;
  }
}

Window findByName(Display* x, Window under, const char* name) {
  char* title = nullptr;
  if (XFetchName(x, under, &title) && title) {
    bool match = std::string(title) == name;
    XFree(title);
    if (match) return under;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(x, under, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i) found = findByName(x, children[i], name);
    if (children) XFree(children);
  }
  return found;
}

uint32_t rgbAt(XImage* image, int px, int py) {
  unsigned long p = XGetPixel(image, px, py);
  return static_cast<uint32_t>(((p & image->red_mask) ? 0xFF0000 : 0) | ((p & image->green_mask) ? 0x00FF00 : 0) |
                               ((p & image->blue_mask) ? 0x0000FF : 0));
}

// On a server without a window manager: the window's place on the root window, and the
// picture read back from the root window, where the player looks.
TEST(WindowPlacement, AGameOpensWhereThePlayerSeesAllOfIt) {
  if (!test::haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  for (auto [screenW, screenH] : {std::pair{1024, 768}, std::pair{800, 600}, std::pair{600, 400}}) {
    SCOPED_TRACE(std::to_string(screenW) + "x" + std::to_string(screenH));
    test::Xvfb server(std::to_string(screenW) + "x" + std::to_string(screenH) + "x24");
    ASSERT_FALSE(server.display().empty()) << test::slurp(server.logFile());
    pid_t korva = test::spawn({test::buildDir() + "/korva", test::programPath("placement")},
                              {"DISPLAY=" + server.display(), "SDL_VIDEODRIVER=x11", "SDL_RENDER_DRIVER=software",
                               "ASAN_OPTIONS=detect_leaks=0"},
                              test::tempDir() + "/placement.log");
    ASSERT_GT(korva, 0);
    Display* x = XOpenDisplay(server.display().c_str());
    ASSERT_NE(x, nullptr);
    Window root = DefaultRootWindow(x);
    int wx = 0, wy = 0;
    unsigned ww = 0, wh = 0;
    bool framed = false;
    // Polled: the first frame arrives whenever the child gets there.
    for (int tries = 0; tries < 200 && !framed; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      Window w = findByName(x, root, "Korva Runtime Window");
      XWindowAttributes a;
      if (!w || !XGetWindowAttributes(x, w, &a) || a.map_state != IsViewable) continue;
      Window child;
      XTranslateCoordinates(x, w, root, 0, 0, &wx, &wy, &child);
      ww = static_cast<unsigned>(a.width), wh = static_cast<unsigned>(a.height);
      // The picture is there once its corner is red and its inside green.
      int visibleW = std::min<int>(screenW - wx, 640), visibleH = std::min<int>(screenH - wy, 480);
      if (visibleW < 4 || visibleH < 4) continue;
      XImage* image = XGetImage(x, root, wx, wy, static_cast<unsigned>(visibleW), static_cast<unsigned>(visibleH),
                                AllPlanes, ZPixmap);
      if (!image) continue;
      framed = rgbAt(image, 0, 0) == 0xFF0000 && rgbAt(image, 2, 2) == 0x00FF00 &&
               rgbAt(image, visibleW - 2, visibleH - 2) == 0x00FF00 &&
               (visibleW < 640 || rgbAt(image, 639, 2) == 0xFF0000) &&
               (visibleH < 480 || rgbAt(image, 2, 479) == 0xFF0000);
      XDestroyImage(image);
    }
    XCloseDisplay(x);
    kill(korva, SIGTERM);
    test::waitFor(korva, std::chrono::seconds(10));
    EXPECT_TRUE(framed) << "the first frame never showed on the root window";
    EXPECT_EQ(ww, 640u);
    EXPECT_EQ(wh, 480u);
    EXPECT_EQ(wx, std::max(0, (screenW - 640) / 2));
    EXPECT_EQ(wy, std::max(0, (screenH - 480) / 2));
  }
}

}  // namespace
}  // namespace korva
