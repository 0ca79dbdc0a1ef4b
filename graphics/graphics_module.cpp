// The graphics module: its start and end, and its symbol table, which is the concatenation
// of its areas' tables: drivers, modes, buffers, pixels and drawing; the text console;
// images; fonts.
#include <vector>

#include "graphics/commands/graphics_commands.h"
#include "graphics/console/console_commands.h"
#include "render/display/graphics_device.h"
#include "graphics/images/image_commands.h"
#include "render/imagefile/image_file.h"
#include "graphics/module/graphics_state.h"
#include "link/modules.h"
#include "window/runtime_window.h"

namespace korva {

bool graphics_create() {
  GraphicsDevice::setPictureLoader(&loadPicture);
  gfx::GraphicsState& g = gfx::state();
  g = gfx::GraphicsState{};
  gfx::freeImages();
  RuntimeWindow* window = RuntimeWindow::instance();
  GraphicsDevice* device = window ? window->openGraphics(gfx::kDefaultGraphicsWidth, gfx::kDefaultGraphicsHeight, 0, 0,
                                                         RuntimeWindow::kWindowedGraphics)
                                  : nullptr;
  if (!device) return false;
  gfx::adoptDevice(device, false);
  return true;
}

void graphics_destroy() {
  gfx::freeImages();
  if (gfx::state().device) gfx::closeDevice();
}

std::span<const SymbolDef> graphics_symbols() {
  static const std::vector<SymbolDef> table = [] {
    std::vector<SymbolDef> all;
    for (auto part : {gfxcmd::drawingSymbols(), gfx::consoleSymbols(), gfx::imageSymbols(), gfxcmd::fontSymbols()})
      all.insert(all.end(), part.begin(), part.end());
    return all;
  }();
  return table;
}

void graphics_link(LinkSymbolFn fn) { linkSymbols(graphics_symbols(), fn); }

}  // namespace korva
