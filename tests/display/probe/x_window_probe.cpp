// Child of the real-window test: runs with SDL's x11 driver on the X server in DISPLAY,
// opens a plain window and a scaled window, draws, flips and reads the window back through
// X. Exit 0 when X shows what was drawn, 1 on a mismatch (described on stdout), 2 when the
// run could not be set up.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "run/run_context.h"
#include "window/runtime_window.h"

using namespace korva;

namespace {

constexpr int kWindowW = 160, kWindowH = 120;
constexpr uint32_t kQuadrants[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// The four quadrants of a w x h picture.
void drawQuadrants(Canvas& c) {
  const int w = c.width() / 2, h = c.height() / 2;
  for (int q = 0; q < 4; ++q) {
    c.setColor(kQuadrants[q]);
    c.rect((q % 2) * w, (q / 2) * h, w, h, true);
  }
}

uint32_t expectedAt(int x, int y) { return kQuadrants[(x >= kWindowW / 2) + 2 * (y >= kWindowH / 2)]; }

// Compares sample points away from the quadrant edges; the first difference, or "".
std::string compare(Display* x, Window win) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(x, win, &attributes)) return "no window attributes";
  if (attributes.width != kWindowW || attributes.height != kWindowH)
    return "window is " + std::to_string(attributes.width) + "x" + std::to_string(attributes.height);
  XImage* image = XGetImage(x, win, 0, 0, kWindowW, kWindowH, AllPlanes, ZPixmap);
  if (!image) return "XGetImage failed";
  std::string difference;
  for (int py = 3; py < kWindowH && difference.empty(); py += 7) {
    for (int px = 3; px < kWindowW; px += 7) {
      if (std::abs(px - kWindowW / 2) < 3 || std::abs(py - kWindowH / 2) < 3) continue;
      unsigned long p = XGetPixel(image, px, py);
      uint32_t rgb = static_cast<uint32_t>(((p & image->red_mask) ? 0xFF0000 : 0) |
                                           ((p & image->green_mask) ? 0x00FF00 : 0) |
                                           ((p & image->blue_mask) ? 0x0000FF : 0));
      if (rgb != expectedAt(px, py)) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel %d,%d is %06lx, drawn %06x", px, py, p, expectedAt(px, py));
        difference = text;
        break;
      }
    }
  }
  XDestroyImage(image);
  return difference;
}

// X draws asynchronously: look again until the picture is there or time is up.
std::string waitForPicture(RuntimeWindow* window, RunContext& run, Display* x, Window win) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string difference;
  while (std::chrono::steady_clock::now() < deadline) {
    run.poll();
    XSync(x, False);
    difference = compare(x, win);
    if (difference.empty()) return "";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    window->present();
  }
  return difference;
}

}  // namespace

int main() {
  std::unique_ptr<RuntimeWindow> owned = RuntimeWindow::create(0);
  if (!owned) return 2;
  RuntimeWindow* window = owned.get();
  RunContext run(*window, nullptr, "");
  if (std::strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0) {
    std::printf("video driver is %s\n", SDL_GetCurrentVideoDriver());
    return 2;
  }
  Display* x = XOpenDisplay(nullptr);
  if (!x) return 2;

  struct Step {
    const char* name;
    int width, height, flags;
  } steps[] = {{"plain window", kWindowW, kWindowH, RuntimeWindow::kWindowedGraphics},
               {"scaled window", kWindowW / 2, kWindowH / 2,
                RuntimeWindow::kWindowedGraphics | RuntimeWindow::kScaledGraphics}};
  int status = 0;
  for (const Step& step : steps) {
    GraphicsDevice* device = window->openGraphics(step.width, step.height, 0, 0, step.flags);
    if (!device) return 2;
    // Asked only now: the X window exists on the server once it has been shown.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(SDL_GetWindowFromID(window->windowId()), &info) || info.subsystem != SDL_SYSWM_X11) return 2;
    Window win = info.info.x11.window;
    drawQuadrants(*device->backBuffer());
    device->flip(false);
    std::string difference = waitForPicture(window, run, x, win);
    if (!difference.empty()) {
      std::printf("%s: %s\n", step.name, difference.c_str());
      status = 1;
    } else {
      std::printf("%s: matches\n", step.name);
    }
    window->closeGraphics(device);
  }
  XCloseDisplay(x);
  return status;
}
