#include "window/runtime_window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "render/canvas/canvas.h"
#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "audio/driver/audio_driver.h"
#include "io/driver/file_system.h"
#include "input/driver/input_driver.h"
#include "support/window_fixture.h"
#include "window/picture_area.h"
#include "window_events.h"

namespace korva {
namespace {

using namespace test;

TEST(RuntimeWindowLifecycle, OneWindowAtATimeAndAgainAfterDestroy) {
  std::unique_ptr<RuntimeWindow> first = RuntimeWindow::create(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(RuntimeWindow::create(0), nullptr);
  SDL_Window* sdl = SDL_GetWindowFromID(first->windowId());
  EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Korva Runtime Window");
  uint32_t flags = SDL_GetWindowFlags(sdl);
  EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN);
  EXPECT_TRUE(flags & SDL_WINDOW_ALWAYS_ON_TOP);
  first->setTitle("My Game");
  EXPECT_STREQ(SDL_GetWindowTitle(sdl), "My Game");
  {
    RunContext run(*first, nullptr, "args");
    EXPECT_EQ(run.commandLine(), "args");
  }
  first.reset();

  // A video driver that cannot start gives way to one that works without a display.
  const char* driver = getenv("SDL_VIDEODRIVER");
  std::string saved = driver ? driver : "";
  setenv("SDL_VIDEODRIVER", "korva-no-such-driver", 1);
  std::unique_ptr<RuntimeWindow> second = RuntimeWindow::create(0);
  if (driver) {
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_VIDEODRIVER");
  }
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(SDL_GetCurrentVideoDriver(), "offscreen");
  EXPECT_FALSE(SDL_GetWindowFlags(SDL_GetWindowFromID(second->windowId())) & SDL_WINDOW_ALWAYS_ON_TOP);
  RunContext run(*second, nullptr, "");
  EXPECT_TRUE(run.running());
  EXPECT_TRUE(run.poll());
}

TEST_F(WindowTest, OnlyOurWindowsCloseEndsTheProgramEvenWhileBusy) {
  // Another window of a hosting environment.
  SDL_Event other{};
  other.type = SDL_WINDOWEVENT;
  other.window.event = SDL_WINDOWEVENT_CLOSE;
  other.window.windowID = window->windowId() + 1000;
  SDL_PushEvent(&other);
  EXPECT_TRUE(run->poll());

  window->setBusy(true);
  pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
  EXPECT_FALSE(run->poll());
}

TEST_F(WindowTest, KeysReachTheInputDriverWithoutAutoRepeat) {
  openInput();
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, 1);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, 1);
  pushKey(SDL_KEYUP, SDL_SCANCODE_A);
  pushKey(SDL_KEYUP, SDL_SCANCODE_UP);  // no press before it: still passed on
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_F24);  // no code
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_X, 0, KMOD_LALT);  // system keys count in a window
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(log, (Log{"press 30", "release 30", "release 200", "press 45"}));
}

TEST_F(WindowTest, NothingIsForwardedWhileSuspendedOrBusy) {
  openInput();
  window->setBusy(true);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  EXPECT_TRUE(run->poll());
  window->setBusy(false);

  run->requestSuspend();
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_B);
  run->postResume();
  Watchdog watchdog(run);
  EXPECT_TRUE(run->poll());
  EXPECT_FALSE(watchdog.stop());
  EXPECT_TRUE(log.empty()) << log.front();
}

TEST_F(WindowTest, MouseIsScaledAndClampedToTheGraphics) {
  openInput();
  pushMotion(10, 10);  // no graphics yet: not passed on
  EXPECT_TRUE(run->poll());

  GraphicsDevice* graphics = window->openGraphics(400, 300, 0, 0, 3);
  ASSERT_NE(graphics, nullptr);
  ASSERT_EQ(window->displayState(), 1);
  SDL_SetWindowSize(SDL_GetWindowFromID(window->windowId()), 800, 600);
  int w = 0, h = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(window->windowId()), &w, &h);
  ASSERT_EQ(w, 800);
  ASSERT_EQ(h, 600);
  pushMotion(401, 599);
  pushMotion(-10, 5000);
  EXPECT_TRUE(run->poll());
  window->closeGraphics(graphics);
  ASSERT_NE(window->openGraphics(400, 300, 0, 0, 1), nullptr);
  ASSERT_EQ(window->displayState(), 2);
  pushMotion(500, 10);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
  pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1);
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(log, (Log{"mouse 200,299", "mouse 0,299", "mouse 399,10", "button down 1",
                      "button down 3", "button up 2"}));
  window->closeGraphics(window->graphics());
}

TEST(MouseMapping, ScalesTruncatesAndClamps) {
  int x = -1, y = -1;
  const PictureArea whole{0, 0, 640, 480};
  ASSERT_TRUE(windowToGame(3, 5, whole, 320, 240, x, y));
  EXPECT_EQ(x, 1);  // 3 * 320 / 640 truncated
  EXPECT_EQ(y, 2);
  ASSERT_TRUE(windowToGame(-40, 100000, whole, 320, 240, x, y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 239);
  ASSERT_TRUE(windowToGame(700, -3, PictureArea{0, 0, 320, 240}, 320, 240, x, y));
  EXPECT_EQ(x, 319);
  EXPECT_EQ(y, 0);
  EXPECT_FALSE(windowToGame(5, 5, PictureArea{0, 0, 0, 480}, 320, 240, x, y));
  EXPECT_FALSE(windowToGame(5, 5, PictureArea{0, 0, 640, 0}, 320, 240, x, y));
  EXPECT_FALSE(windowToGame(5, 5, whole, 0, 240, x, y));
}

TEST(MouseMapping, PlacingThePointerInAScaledWindowReadsBackTheSamePoint) {
  struct Size { int client, gfx; };
  for (Size s : {Size{640, 320}, Size{500, 320}, Size{333, 200}, Size{1000, 999}, Size{320, 320}}) {
    for (int g = 0; g < s.gfx; ++g) {
      int w = gameToWindow(g, 0, s.client, s.gfx);
      int x = -1, y = -1;
      ASSERT_TRUE(windowToGame(w, 0, PictureArea{0, 0, s.client, 1}, s.gfx, 1, x, y));
      ASSERT_EQ(x, g) << "client " << s.client << ", graphics " << s.gfx;
    }
  }
}

TEST_F(WindowTest, FullScreenInputOnlyAcquiresAndFocusDecidesSuspension) {
  openInput();
  GraphicsDevice* graphics = openFullScreen();
  ASSERT_NE(graphics, nullptr);
  ASSERT_EQ(window->displayState(), 3);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  pushMotion(5, 5);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  pushKey(SDL_KEYUP, SDL_SCANCODE_LALT);  // releasing Alt itself does not suspend
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(log, (Log{"acquire", "acquire", "acquire", "acquire"}));
  EXPECT_EQ(debugger.stops, 0);

  // The run's own input driver from here: the suspension lets it go and takes it again.
  window->setInputSink(nullptr);
  SdlInputDriver* driver = run->openInput();
  ASSERT_NE(driver, nullptr);
  EXPECT_TRUE(driver->inputAcquired());
  bool acquiredWhileStopped = true;
  debugger.onStop = [&] { acquiredWhileStopped = driver->inputAcquired(); };
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_B);  // while suspended: not even acquired
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
  Watchdog watchdog(run);
  EXPECT_TRUE(run->poll());
  EXPECT_FALSE(acquiredWhileStopped);
  EXPECT_TRUE(driver->inputAcquired());
  EXPECT_EQ(debugger.stops, 1);
  EXPECT_EQ(debugger.runs, 1);
  debugger.onStop = nullptr;

  // Releasing a system key other than Alt hands the screen over.
  pushKey(SDL_KEYUP, SDL_SCANCODE_F10);
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
  pushKey(SDL_KEYUP, SDL_SCANCODE_TAB, 0, KMOD_LALT);
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_TRUE(run->poll());
  EXPECT_FALSE(watchdog.stop());
  EXPECT_EQ(debugger.stops, 3);
  EXPECT_EQ(debugger.runs, 3);

  window->closeGraphics(graphics);
  EXPECT_FALSE(driver->inputAcquired());
  EXPECT_EQ(window->displayState(), 0);
}

TEST_F(WindowTest, WindowedStatesIgnoreFocusLossAndRepaintWhenExposed) {
  for (int flags : {3, 1}) {
    GraphicsDevice* graphics = window->openGraphics(64, 48, 0, 0, flags);
    ASSERT_NE(graphics, nullptr);
    pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
    pushKey(SDL_KEYUP, SDL_SCANCODE_F10);
    EXPECT_TRUE(run->poll());
    EXPECT_FALSE(run->suspended());
    uint64_t painted = window->presentations();
    pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
    EXPECT_TRUE(run->poll());
    EXPECT_EQ(window->presentations(), painted + 1);
    window->closeGraphics(graphics);
  }
}

}  // namespace
}  // namespace korva
