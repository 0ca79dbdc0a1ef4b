#include "multiplay/dialog/view/window_start_dialog.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "multiplay/dialog/view/dialog_painter.h"
#include "run/run_context.h"

namespace korva::net {
namespace {

// Longest wait for an event between two frames: the refresh timer and the caret need
// no finer clock than this.
constexpr int kFrameMs = 20;
constexpr uint32_t kCaretBlinkMs = 530;
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// A graphics device of the dialog's own, with no window: its canvases and fonts are
// never the program's and all go with it.
struct Resources {
  std::unique_ptr<GraphicsDevice> device;
  DialogFonts fonts;
  DialogLayout layout;
  Canvas* canvas = nullptr;

  bool make() {
    // The device's own buffers only bound the font atlases' rows.
    device = GraphicsDevice::create(nullptr, 512, 64, PixelLayout::xrgb8888(), true);
    if (!device) return false;
    fonts.text = device->loadFont(kDialogFontName, kDialogFontHeight, 0);
    fonts.bold = device->loadFont(kDialogFontName, kDialogFontHeight, kFontBold);
    if (!fonts.text) return false;
    // Dialog units come from the font's average letter width, as they always have.
    int baseX = static_cast<int>((fonts.text->stringWidth(kLetters) / 26 + 1) / 2);
    layout = makeDialogLayout(baseX, fonts.text->height());
    canvas = device->createCanvas(layout.width, layout.height, 0);
    return canvas != nullptr;
  }
};

// The overlay goes when the dialog does, however it ends.
struct OverlayShown {
  RuntimeWindow& window;
  ~OverlayShown() { window.endOverlay(); }
};

struct TextInputOn {
  bool wasOn = SDL_IsTextInputActive() == SDL_TRUE;
  TextInputOn() {
    if (!wasOn) SDL_StartTextInput();
  }
  ~TextInputOn() {
    if (!wasOn) SDL_StopTextInput();
  }
};

// A window position as a point of the dialog's canvas.
void toCanvas(const RuntimeWindow& window, const Canvas& canvas, int& x, int& y) {
  int ax = 0, ay = 0, aw = 0, ah = 0;
  if (!window.overlayArea(ax, ay, aw, ah) || aw <= 0 || ah <= 0) return;
  x = static_cast<int>(int64_t{x - ax} * canvas.width() / aw);
  y = static_cast<int>(int64_t{y - ay} * canvas.height() / ah);
}

// Hands the window's keyboard and mouse events to the dialog. Events of other windows (an
// embedding's) go back to the queue for the window's own handling.
void readInput(RuntimeWindow& window, const Canvas& canvas, DialogController& ctl, const StartDialogModel& model) {
  const uint32_t ours = window.windowId();
  auto forUs = [ours](uint32_t id) { return id == 0 || id == ours; };
  std::vector<SDL_Event> others;
  SDL_PumpEvents();
  SDL_Event e;
  while (!model.ended() && SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_MOUSEWHEEL) == 1) {
    switch (e.type) {
      case SDL_KEYDOWN:
        if (!forUs(e.key.windowID)) break;
        ctl.keyDown(e.key.keysym.sym, e.key.keysym.mod);
        continue;
      case SDL_TEXTINPUT:
        if (!forUs(e.text.windowID)) break;
        ctl.textInput(e.text.text);
        continue;
      case SDL_MOUSEMOTION: {
        if (!forUs(e.motion.windowID)) break;
        int x = e.motion.x, y = e.motion.y;
        toCanvas(window, canvas, x, y);
        ctl.setPointer(x, y);
        continue;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        if (!forUs(e.button.windowID)) break;
        if (e.button.button != SDL_BUTTON_LEFT) continue;
        int x = e.button.x, y = e.button.y;
        toCanvas(window, canvas, x, y);
        if (e.type == SDL_MOUSEBUTTONDOWN)
          ctl.mouseDown(x, y, e.button.clicks);
        else
          ctl.mouseUp(x, y);
        continue;
      }
      case SDL_MOUSEWHEEL:
        if (!forUs(e.wheel.windowID)) break;
        ctl.wheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
        continue;
      default:
        if (e.type == SDL_KEYUP && !forUs(e.key.windowID)) break;
        continue;  // key releases and the like mean nothing to the dialog
    }
    others.push_back(e);
  }
  for (SDL_Event& other : others) SDL_PushEvent(&other);
}

}  // namespace

void WindowStartDialog::run(StartDialogModel& model) {
  if (!run_) return;
  RuntimeWindow* window = &run_->window();
  Resources r;
  if (!r.make()) {
    std::fputs("StartNetGame: the start dialog cannot be drawn (no font)\n", stderr);
    return;
  }
  Canvas& canvas = *r.canvas;
  DialogController ctl(model, r.layout, *r.fonts.text);
  TextInputOn textInput;

  auto caretOn = [] { return (SDL_GetTicks() / kCaretBlinkMs) % 2 == 0; };
  bool caretShown = caretOn();
  paintDialog(canvas, r.layout, r.fonts, model, ctl, caretShown);
  window->showOverlay(canvas);
  OverlayShown overlay{*window};
  uint64_t painted = ctl.revision();

  while (!model.ended()) {
    if (onFrame) onFrame(DialogFrame{*window, model, r.layout, ctl, canvas});
    readInput(*window, canvas, ctl, model);
    if (model.ended()) break;
    if (!run_->poll()) {
      // The window was closed or the program is to end: as Cancel.
      model.cancel();
      break;
    }
    model.tick(SDL_GetTicks());
    if (ctl.sync()) window->raise();
    const bool caret = caretOn() && ctl.focus() == Control::Name;
    if (ctl.revision() != painted || caret != caretShown) {
      caretShown = caret;
      painted = ctl.revision();
      paintDialog(canvas, r.layout, r.fonts, model, ctl, caretShown);
      window->showOverlay(canvas);
    }
    SDL_WaitEventTimeout(nullptr, kFrameMs);
  }
}

}  // namespace korva::net
