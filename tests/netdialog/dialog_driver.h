// Drives the start dialog as a user would: each frame the dialog shows, the next step of
// a script may push keyboard and mouse events into SDL's queue, which the dialog then reads
// like any others. A step that waits too long closes the window, so a broken dialog ends
// its test instead of hanging it.
#pragma once
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "multiplay/dialog/view/window_start_dialog.h"
#include "window/runtime_window.h"

namespace korva::test {

using net::DialogFrame;

// A point of the dialog's canvas in window coordinates.
inline SDL_Point onWindow(const DialogFrame& f, int x, int y) {
  int ax = 0, ay = 0, aw = 0, ah = 0;
  EXPECT_TRUE(f.window.overlayArea(ax, ay, aw, ah));
  return SDL_Point{ax + x * aw / f.canvas.width(), ay + y * ah / f.canvas.height()};
}

inline uint32_t windowId(const DialogFrame& f) { return f.window.windowId(); }

inline void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

// A left click in the middle of r; clicks 2 is a double click (two presses, the second
// counted as the second click, as SDL reports them).
inline void click(const DialogFrame& f, const Rect& r, int clicks = 1) {
  SDL_Point p = onWindow(f, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  for (int n = 1; n <= clicks; ++n) {
    for (uint32_t type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
      SDL_Event e{};
      e.type = type;
      e.button.windowID = windowId(f);
      e.button.button = SDL_BUTTON_LEFT;
      e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = static_cast<uint8_t>(n);
      e.button.x = p.x, e.button.y = p.y;
      push(e);
    }
  }
}

inline void key(SDL_Keycode k, uint16_t modifiers = KMOD_NONE) {
  for (uint32_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = 0;  // the keyboard's focus, as the dialog takes it
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = k;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(k);
    e.key.keysym.mod = modifiers;
    push(e);
  }
}

inline void typeText(const std::string& utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = 0;
  snprintf(e.text.text, sizeof e.text.text, "%s", utf8.c_str());
  push(e);
}

inline void closeWindow(const DialogFrame& f) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = windowId(f);
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  push(e);
}

class DialogScript {
 public:
  using Ready = std::function<bool(const DialogFrame&)>;
  using Act = std::function<void(const DialogFrame&)>;

  // Once ready holds in a frame, act runs in it; then the next step waits.
  DialogScript& when(Ready ready, Act act) {
    steps_.push_back({std::move(ready), std::move(act)});
    return *this;
  }
  DialogScript& then(Act act) {
    return when([](const DialogFrame&) { return true; }, std::move(act));
  }
  void attach(net::WindowStartDialog& dialog) {
    dialog.onFrame = [this](const DialogFrame& f) { frame(f); };
  }
  bool done() const { return next_ == steps_.size(); }
  // The step that never became ready, or empty.
  const std::string& stuck() const { return stuck_; }

 private:
  void frame(const DialogFrame& f) {
    auto now = std::chrono::steady_clock::now();
    if (!started_) stepStart_ = now, started_ = true;
    if (done() || !stuck_.empty()) return;
    if (now - stepStart_ > std::chrono::seconds(10)) {
      stuck_ = "step " + std::to_string(next_) + " never became ready";
      closeWindow(f);
      return;
    }
    if (!steps_[next_].ready(f)) return;
    steps_[next_++].act(f);
    stepStart_ = now;
  }

  struct Step {
    Ready ready;
    Act act;
  };
  std::vector<Step> steps_;
  size_t next_ = 0;
  bool started_ = false;
  std::chrono::steady_clock::time_point stepStart_;
  std::string stuck_;
};

// What the window shows (ARGB, alpha dropped) in the rectangle r of the dialog's canvas.
inline std::vector<uint32_t> shown(const DialogFrame& f, const Rect& r) {
  SDL_Point at = onWindow(f, r.left, r.top);
  SDL_Rect area{at.x, at.y, r.width(), r.height()};
  std::vector<uint32_t> pixels(static_cast<size_t>(r.width()) * r.height());
  EXPECT_EQ(SDL_RenderReadPixels(SDL_GetRenderer(SDL_GetWindowFromID(f.window.windowId())), &area, SDL_PIXELFORMAT_ARGB8888,
                                 pixels.data(), r.width() * 4),
            0)
      << SDL_GetError();
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// The rectangle r of background colour with one line of text drawn in the dialog's font,
// vertically centred and inset from the left as the dialog draws its texts.
inline std::vector<uint32_t> expectedText(const Rect& r, int inset, const std::string& text, uint32_t color,
                                          uint32_t background, bool bold = false) {
  auto device = GraphicsDevice::create(nullptr, 512, 64, PixelLayout::xrgb8888(), true);
  Font* font = device->loadFont(net::kDialogFontName, net::kDialogFontHeight, bold ? kFontBold : 0);
  Canvas* c = device->createCanvas(r.width(), r.height(), 0);
  c->setColor(background);
  c->rect(0, 0, r.width(), r.height(), true);
  c->setColor(color);
  drawText(*c, font, inset, (r.height() - font->height()) / 2, text);
  std::vector<uint32_t> pixels;
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) pixels.push_back(c->getPixel(x, y) & 0xFFFFFF);
  return pixels;
}

inline size_t differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace korva::test
