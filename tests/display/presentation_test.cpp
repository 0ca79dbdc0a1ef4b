#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "render/canvas/canvas.h"
#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "window/presentation_timer.h"
#include "window/runtime_window.h"
#include "support/window_fixture.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;

class PresentationTest : public testing::RecordedWindowTest {
 protected:
  // What the renderer last presented at a window pixel, as ARGB.
  uint32_t presented(int x, int y) {
    SDL_Rect r{x, y, 1, 1};
    uint32_t pixel = 0;
    EXPECT_EQ(SDL_RenderReadPixels(SDL_GetRenderer(SDL_GetWindowFromID(window->windowId())), &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0)
        << SDL_GetError();
    return pixel;
  }

  // Polls until the window was painted again; false after a generous deadline.
  bool waitForRepaint() {
    const uint64_t before = window->presentations();
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
      if (!run->poll()) return false;
      if (window->presentations() > before) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }
};

TEST_F(PresentationTest, PlainWindowGetsExactlyTheGraphicsSizeAndOnlyOneDeviceOpens) {
  GraphicsDevice* device = window->openGraphics(200, 150, 0, 0, RuntimeWindow::kWindowedGraphics);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(window->graphics(), device);
  EXPECT_EQ(window->displayState(), 2);
  int w = 0, h = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(window->windowId()), &w, &h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 150);
  EXPECT_FALSE(SDL_GetWindowFlags(SDL_GetWindowFromID(window->windowId())) & SDL_WINDOW_HIDDEN);
  EXPECT_EQ(window->openGraphics(320, 240, 0, 0, 1), nullptr);
  EXPECT_EQ(window->graphics(), device);
  EXPECT_FALSE(window->busy());
  window->closeGraphics(nullptr);
  EXPECT_EQ(window->graphics(), device);
  window->closeGraphics(device);
  EXPECT_EQ(window->graphics(), nullptr);
  EXPECT_EQ(window->displayState(), 0);
  EXPECT_FALSE(SDL_GetWindowFlags(SDL_GetWindowFromID(window->windowId())) & SDL_WINDOW_HIDDEN) << "the window stays";
}

TEST_F(PresentationTest, FrontBufferDrawingShowsOnceTheTimerAsksForARepaint) {
  GraphicsDevice* device = window->openGraphics(64, 48, 0, 0, 1);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(presented(10, 10), 0xFF000000u);
  Canvas* front = device->frontBuffer();
  front->setColor(0xFF0000);
  front->rect(8, 8, 4, 4, true);
  ASSERT_TRUE(waitForRepaint());
  EXPECT_EQ(presented(10, 10), 0xFFFF0000u);
  EXPECT_EQ(presented(30, 30), 0xFF000000u);
}

TEST_F(PresentationTest, BackBufferDrawingShowsAtTheNextFlip) {
  GraphicsDevice* device = window->openGraphics(64, 48, 0, 0, 1);
  ASSERT_NE(device, nullptr);
  Canvas* back = device->backBuffer();
  back->setColor(0x0000FF);
  back->rect(0, 0, 16, 16, true);
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(presented(5, 5), 0xFF000000u) << "nothing asked for a repaint yet";
  const uint64_t before = window->presentations();
  device->flip(false);
  EXPECT_EQ(window->presentations(), before + 1);
  EXPECT_EQ(presented(5, 5), 0xFF0000FFu);
  EXPECT_EQ(device->frontBuffer()->stamp(), back->stamp());
  device->flip(true);
  EXPECT_EQ(window->presentations(), before + 1) << "an unchanged picture is not shown again";
}

TEST_F(PresentationTest, ScaledWindowKeepsItsSizeAndStretchesThePicture) {
  GraphicsDevice* plain = window->openGraphics(100, 80, 0, 0, 1);
  ASSERT_NE(plain, nullptr);
  window->closeGraphics(plain);
  GraphicsDevice* device = window->openGraphics(50, 40, 0, 0, RuntimeWindow::kWindowedGraphics | RuntimeWindow::kScaledGraphics);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(window->displayState(), 1);
  int w = 0, h = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(window->windowId()), &w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 80);
  Canvas* back = device->backBuffer();
  back->setColor(0x00FF00);
  back->rect(25, 20, 25, 20, true);
  device->flip(false);
  EXPECT_EQ(presented(49, 39), 0xFF000000u);
  EXPECT_EQ(presented(51, 41), 0xFF00FF00u);
  EXPECT_EQ(presented(99, 79), 0xFF00FF00u);
}

TEST_F(PresentationTest, ModeChangeFreesEveryCanvasAndFont) {
  const int before = Canvas::liveCount();
  GraphicsDevice* first = window->openGraphics(80, 60, 0, 0, 1);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->createCanvas(16, 16, 0), nullptr);
  ASSERT_NE(first->loadFont("courier", 30, kFontBold), nullptr);
  EXPECT_GT(Canvas::liveCount(), before);
  window->closeGraphics(first);
  EXPECT_EQ(Canvas::liveCount(), before);
  GraphicsDevice* second = window->openGraphics(120, 90, 0, 0, 3);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->liveFonts(), 1u) << "only the new default font";
  window->closeGraphics(second);
}

TEST_F(PresentationTest, FullScreenFlipTradesTheBuffersAndDepthZeroTakes16Bits) {
  GraphicsDevice* device = openFullScreen();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(window->displayState(), 3);
  EXPECT_EQ(device->depth(), 16);
  Canvas* front = device->frontBuffer();
  Canvas* back = device->backBuffer();
  front->setPixel(3, 3, 0xFF00FF00);
  back->setPixel(3, 3, 0xFFFF0000);
  device->flip(false);
  EXPECT_EQ(front->getPixel(3, 3), 0xFFF80000u);
  EXPECT_EQ(back->getPixel(3, 3), 0xFF00FC00u);
  EXPECT_EQ(presented(3, 3) & 0xFFF0F0F0u, 0xFFF00000u);
  EXPECT_TRUE(debugger.calls.empty());
  window->closeGraphics(device);
  EXPECT_EQ(window->displayState(), 0);
}

TEST_F(PresentationTest, FlipOfALockedBufferIsOnlyLogged) {
  GraphicsDevice* device = openFullScreen(32);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->depth(), 32);
  device->backBuffer()->lock();
  device->flip(true);
  device->backBuffer()->unlock();
  device->flip(false);
  EXPECT_EQ(debugger.calls, (testing::Log{"log Flip Failed! Return code:430"}));
  window->closeGraphics(device);
}

TEST_F(PresentationTest, FailedFullScreenOpenLeavesTheWindowAsItWas) {
  GraphicsDevice* plain = window->openGraphics(120, 90, 0, 0, 1);
  ASSERT_NE(plain, nullptr);
  window->closeGraphics(plain);
  const GfxMode* mode = window->modeInfo(0, 0);
  ASSERT_NE(mode, nullptr);
  struct Case {
    int width, height, depth, driver;
  } cases[] = {{123, 45, 0, 0}, {mode->width, mode->height, 8, 0}, {mode->width, mode->height, 0, 99}};
  for (const Case& c : cases) {
    EXPECT_EQ(window->openGraphics(c.width, c.height, c.depth, c.driver, 0), nullptr);
    EXPECT_EQ(window->displayState(), 0);
    EXPECT_FALSE(window->busy());
    int w = 0, h = 0;
    SDL_GetWindowSize(SDL_GetWindowFromID(window->windowId()), &w, &h);
    EXPECT_EQ(w, 120);
    EXPECT_EQ(h, 90);
    uint32_t flags = SDL_GetWindowFlags(SDL_GetWindowFromID(window->windowId()));
    EXPECT_FALSE(flags & SDL_WINDOW_FULLSCREEN);
    EXPECT_FALSE(flags & SDL_WINDOW_HIDDEN);
  }
  // Closing full screen gives the window back too.
  ASSERT_NE(openFullScreen(), nullptr);
  window->closeGraphics(window->graphics());
  int w = 0, h = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(window->windowId()), &w, &h);
  EXPECT_EQ(w, 120);
  EXPECT_FALSE(SDL_GetWindowFlags(SDL_GetWindowFromID(window->windowId())) & SDL_WINDOW_FULLSCREEN);
}

TEST_F(PresentationTest, DriversListThePrimaryDisplayUntilCounted) {
  EXPECT_FALSE(window->drivers().allListed());
  EXPECT_EQ(window->drivers().count(), 1);
  EXPECT_FALSE(window->driverName(0).empty());
  EXPECT_GE(window->countDrivers(), 1);
  EXPECT_TRUE(window->drivers().allListed());
  EXPECT_GE(window->countModes(0), 1);
  EXPECT_EQ(window->countModes(-1), 0);
  EXPECT_EQ(window->driverName(99), "");
}

TEST(PresentationTimer, TicksUntilStoppedAndNeverAfter) {
  std::atomic<int> ticks{0};
  PresentationTimer timer;
  ASSERT_TRUE(timer.start(std::chrono::milliseconds(1), [&] { ++ticks; }));
  EXPECT_FALSE(timer.start(std::chrono::milliseconds(1), [] {}));
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (ticks.load() < 3 && Clock::now() < deadline) std::this_thread::yield();
  timer.stop();
  EXPECT_GE(ticks.load(), 3);
  int stopped = ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(ticks.load(), stopped);
  EXPECT_FALSE(timer.running());
}

}  // namespace
}  // namespace korva
