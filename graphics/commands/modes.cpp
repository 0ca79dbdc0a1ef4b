// Display drivers and modes, and setting and ending graphics.
#include "basic/strings.h"
#include "graphics/commands/graphics_commands.h"
#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "graphics/module/graphics_state.h"
#include "core/errors.h"
#include "run/run_context.h"

namespace korva::graphics {
namespace {

using graphics::state;

RuntimeWindow* window() { return state().run ? &state().run->window() : nullptr; }

// The driver index (from 0) of a driver number; the debug check counts every driver, so
// it also completes the driver list.
int driverIndex(int32_t driver) {
  if (debugFlag()) {
    int count = window() ? window()->countDrivers() : 0;
    if (driver < 1 || driver > count) raiseRuntimeError("Illegal graphics driver index");
  }
  return driver < 1 ? -1 : driver - 1;  // every number below 1 names no driver
}

// The mode (from 1) of the current driver; null for a bad number without the debug flag.
const GfxMode* mode(int32_t number) {
  RuntimeWindow* w = window();
  if (debugFlag()) {
    int count = w ? w->countModes(state().driverIndex) : 0;
    if (number < 1 || number > count) raiseRuntimeError("Illegal graphics mode index");
  }
  return w && number >= 1 ? w->modeInfo(state().driverIndex, number - 1) : nullptr;
}

// Closes whatever is open and opens the new device; the program ends with an error when
// none results, after a quiet end had its chance.
void reopen(int width, int height, int depth, int driver, int flags, bool programSet) {
  graphics::closeDevice();
  GraphicsDevice* device = window() ? window()->openGraphics(width, height, depth, driver, flags) : nullptr;
  if (device) graphics::adoptDevice(device, programSet);
  graphics::pollOrEnd();
  if (!device) raiseRuntimeError("Unable to set graphics mode");
}

}  // namespace

int32_t CountGfxDrivers() { return window() ? window()->countDrivers() : 0; }

vxStr* GfxDriverName(int32_t driver) {
  int index = driverIndex(driver);
  return vxStrNew(window() ? window()->driverName(index) : std::string());
}

int32_t GfxDriver3D(int32_t driver) {
  driverIndex(driver);
  return 0;
}

void SetGfxDriver(int32_t driver) { state().driverIndex = driverIndex(driver); }

int32_t CountGfxModes() { return window() ? window()->countModes(state().driverIndex) : 0; }

int32_t GfxModeWidth(int32_t number) {
  const GfxMode* m = mode(number);
  return m ? m->width : 0;
}

int32_t GfxModeHeight(int32_t number) {
  const GfxMode* m = mode(number);
  return m ? m->height : 0;
}

int32_t GfxModeDepth(int32_t number) {
  const GfxMode* m = mode(number);
  return m ? m->depth : 0;
}

int32_t GfxMode3D(int32_t number) {
  mode(number);
  return 0;
}

int32_t Windowed3D() { return 0; }

int32_t FindGfxMode(int32_t width, int32_t height, int32_t depth, int32_t gfx3d) {
  // No mode can render 3D.
  if (gfx3d != 0 || !window()) return 0;
  const int count = window()->countModes(state().driverIndex);
  for (int i = 0; i < count; ++i) {
    const GfxMode* m = window()->modeInfo(state().driverIndex, i);
    if (m && m->width == width && m->height == height && m->depth == depth) return i + 1;
  }
  return 0;
}

int32_t GfxModeExists(int32_t width, int32_t height, int32_t depth, int32_t gfx3d) {
  return FindGfxMode(width, height, depth, gfx3d) != 0 ? 1 : 0;
}

int32_t TotalVidMem() { return state().device ? state().device->totalVidMem() : 0; }
int32_t AvailVidMem() { return state().device ? state().device->availVidMem() : 0; }

void Graphics(int32_t width, int32_t height, int32_t depth, int32_t mode) {
  int flags = 0;
  switch (mode) {
    // Programs under a debugger get a window, so that the debugger stays reachable.
    case 0: flags = debugFlag() ? RuntimeWindow::kWindowedGraphics : 0; break;
    case 1: flags = 0; break;
    case 2: flags = RuntimeWindow::kWindowedGraphics; break;
    case 3: flags = RuntimeWindow::kWindowedGraphics | RuntimeWindow::kScaledGraphics; break;
    default: raiseRuntimeError("Illegal Graphics mode");
  }
  graphics::freeImages();
  reopen(width, height, depth, state().driverIndex, flags, true);
}

void EndGraphics() {
  graphics::freeImages();
  if (!state().programSetGraphics) return;
  reopen(graphics::kDefaultGraphicsWidth, graphics::kDefaultGraphicsHeight, 0, 0, RuntimeWindow::kWindowedGraphics, false);
}

}  // namespace korva::graphics
