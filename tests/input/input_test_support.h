// Events for the input tests, pushed into SDL's queue as the window system would, and a
// window with a graphics device of a given size.
#pragma once
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "window/drivers.h"
#include "window/runtime_window.h"

namespace korva::test {

inline void pushKey(SDL_Scancode scancode, bool down, bool repeat = false) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat ? 1 : 0;
  event.key.keysym.scancode = scancode;
  SDL_PushEvent(&event);
}

inline void tapKey(SDL_Scancode scancode) {
  pushKey(scancode, true);
  pushKey(scancode, false);
}

inline void pushMotion(int x, int y, int dx, int dy) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  event.motion.xrel = dx;
  event.motion.yrel = dy;
  SDL_PushEvent(&event);
}

inline void pushButton(uint8_t sdlButton, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.button = sdlButton;
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  SDL_PushEvent(&event);
}

class SizedGraphics : public GraphicsDevice {
 public:
  SizedGraphics(int w, int h) : w_(w), h_(h) {}
  int width() const override { return w_; }
  int height() const override { return h_; }
  void present() override {}
  void saveCanvases() override {}
  void restoreCanvases() override {}

 private:
  int w_, h_;
};

// A runtime window for the test, with nothing queued from its creation.
class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    window = RuntimeWindow::create("", nullptr, 0);
    ASSERT_NE(window, nullptr);
    // As the graphics module would size it: the pointer is placed inside the client area.
    SDL_SetWindowSize(window->sdlWindow(), graphics.width(), graphics.height());
    ASSERT_TRUE(window->poll());
  }
  void TearDown() override {
    if (window) window->setGraphics(nullptr, 0);
    RuntimeWindow::destroy(window);
  }

  RuntimeWindow* window = nullptr;
  SizedGraphics graphics{320, 200};
};

}  // namespace korva::test
