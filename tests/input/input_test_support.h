// Events for the input tests, pushed into SDL's queue as the window system would, and a
// window with a graphics device of a given size.
#pragma once
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "support/run_fixture.h"

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

// A runtime window for the test, with nothing queued from its creation.
class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    session = std::make_unique<TestRun>();
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    run = session->run.get();
    ASSERT_TRUE(run->poll());
  }
  void TearDown() override { session.reset(); }

  // Graphics in display state 2 (a 320 x 200 window) or 3 (full screen in the first mode
  // the display lists), replacing whatever graphics were open.
  GraphicsDevice* useGraphics(int state) {
    if (window->graphics()) window->closeGraphics(window->graphics());
    GraphicsDevice* device = nullptr;
    if (state == 3) {
      if (const GfxMode* mode = window->modeInfo(0, 0))
        device = window->openGraphics(mode->width, mode->height, 0, 0, 0);
    } else {
      device = window->openGraphics(320, 200, 0, 0, RuntimeWindow::kWindowedGraphics);
    }
    EXPECT_NE(device, nullptr);
    return device;
  }

  std::unique_ptr<TestRun> session;
  RuntimeWindow* window = nullptr;
  RunContext* run = nullptr;
};

}  // namespace korva::test
