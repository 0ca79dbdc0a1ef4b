// The SDL input driver under a real runtime window: the window's events in the windowed
// states, the devices' own reports in full screen.
#include "input/driver/input_driver.h"

#include <gtest/gtest.h>

#include "input/devices/input_device.h"
#include "input/input_test_support.h"

namespace korva {
namespace {

using test::pushButton;
using test::pushKey;
using test::pushMotion;
using test::tapKey;

class InputDriverTest : public test::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    driver = run->openInput();
    ASSERT_NE(driver, nullptr);
    keyboard = driver->keyboard();
    mouse = driver->mouse();
  }

  SdlInputDriver* driver = nullptr;
  InputDevice* keyboard = nullptr;
  InputDevice* mouse = nullptr;
};

TEST_F(InputDriverTest, WindowedKeysCountPressesButNotAutoRepeat) {
  useGraphics(2);
  for (int i = 0; i < 3; ++i) tapKey(SDL_SCANCODE_SPACE);
  pushKey(SDL_SCANCODE_A, true);
  pushKey(SDL_SCANCODE_A, true, true);  // auto-repeat
  EXPECT_EQ(keyboard->takeHits(57), 3);
  EXPECT_EQ(keyboard->takeHits(57), 0);
  EXPECT_EQ(keyboard->isDown(30), 1);
  EXPECT_EQ(keyboard->takeHits(30), 1);
  pushKey(SDL_SCANCODE_A, false);
  EXPECT_EQ(keyboard->isDown(30), 0);
}

TEST_F(InputDriverTest, WindowedMouseTakesTheWindowsPositionAndButtons) {
  useGraphics(2);
  pushMotion(100, 60, 0, 0);
  pushButton(SDL_BUTTON_RIGHT, true);
  EXPECT_EQ(mouse->axis(0), 100.0f);
  EXPECT_EQ(mouse->axis(1), 60.0f);
  EXPECT_EQ(mouse->isDown(2), 1);
  EXPECT_EQ(mouse->nextEvent(), 2);
  pushMotion(5000, -20, 0, 0);
  pushButton(SDL_BUTTON_RIGHT, false);
  EXPECT_EQ(mouse->axis(0), 319.0f);
  EXPECT_EQ(mouse->axis(1), 0.0f);
  EXPECT_EQ(mouse->isDown(2), 0);
}

TEST_F(InputDriverTest, FullScreenReadsTheDevicesAndHidesThePointer) {
  GraphicsDevice* device = useGraphics(3);
  ASSERT_NE(device, nullptr);
  const float right = static_cast<float>(device->width() - 1);
  const float bottom = static_cast<float>(device->height() - 1);
  EXPECT_TRUE(driver->inputAcquired());
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  // Each key-down report counts, with no comparison to the current flag.
  pushKey(SDL_SCANCODE_A, true);
  pushKey(SDL_SCANCODE_A, true);
  pushKey(SDL_SCANCODE_LSHIFT, true);
  EXPECT_EQ(keyboard->takeHits(30), 2);
  EXPECT_EQ(keyboard->isDown(42), 1);
  pushKey(SDL_SCANCODE_A, false);
  EXPECT_EQ(keyboard->isDown(30), 0);

  pushMotion(0, 0, 40, 25);
  pushMotion(0, 0, 10, 5);
  EXPECT_EQ(mouse->axis(0), 50.0f);
  EXPECT_EQ(mouse->axis(1), 30.0f);
  pushMotion(0, 0, 100000, 100000);
  EXPECT_EQ(mouse->axis(0), right);
  EXPECT_EQ(mouse->axis(1), bottom);
  pushMotion(0, 0, -2000000000, -5);
  pushMotion(0, 0, -2000000000, 0);  // far beyond the 32-bit range in total
  EXPECT_EQ(mouse->axis(0), 0.0f);
  EXPECT_EQ(mouse->axis(1), bottom - 5);

  pushButton(SDL_BUTTON_MIDDLE, true);
  EXPECT_EQ(mouse->isDown(3), 1);
  EXPECT_EQ(mouse->takeHits(3), 1);
  pushButton(SDL_BUTTON_MIDDLE, false);
  EXPECT_EQ(mouse->isDown(3), 0);
}

TEST_F(InputDriverTest, FullScreenKeyboardBufferKeepsThirtyTwoReports) {
  useGraphics(3);
  for (int i = 0; i < 40; ++i) pushKey(SDL_SCANCODE_SPACE, true);
  EXPECT_EQ(keyboard->takeHits(57), 32);
}

TEST_F(InputDriverTest, SuspendAndResumeInFullScreenClearEveryKeyAndTheMouse) {
  useGraphics(3);
  pushKey(SDL_SCANCODE_A, true);
  pushMotion(0, 0, 70, 80);
  pushButton(SDL_BUTTON_LEFT, true);
  EXPECT_EQ(keyboard->isDown(30), 1);
  EXPECT_EQ(mouse->axis(0), 70.0f);

  run->requestSuspend();
  EXPECT_FALSE(driver->inputAcquired());
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  run->requestResume();
  EXPECT_TRUE(driver->inputAcquired());
  EXPECT_EQ(keyboard->isDown(30), 0);
  EXPECT_EQ(keyboard->takeHits(30), 0);
  EXPECT_EQ(keyboard->nextEvent(), 0);
  EXPECT_EQ(mouse->axis(0), 0.0f);
  EXPECT_EQ(mouse->axis(1), 0.0f);
  EXPECT_EQ(mouse->isDown(1), 0);
  EXPECT_EQ(mouse->nextEvent(), 0);
}

TEST_F(InputDriverTest, LeavingFullScreenHandsInputBackToTheWindow) {
  useGraphics(3);
  pushKey(SDL_SCANCODE_B, true);
  EXPECT_EQ(keyboard->isDown(48), 1);
  useGraphics(2);
  EXPECT_FALSE(driver->inputAcquired());
  EXPECT_EQ(keyboard->isDown(48), 0);
  // Unacquired devices ignore device reports.
  driver->deviceKey(48, true);
  driver->deviceMouseMotion(5, 5);
  EXPECT_EQ(keyboard->isDown(48), 0);
  EXPECT_EQ(mouse->axis(0), 0.0f);
  pushKey(SDL_SCANCODE_B, true);
  EXPECT_EQ(keyboard->isDown(48), 1);
}

TEST_F(InputDriverTest, PositionMouseSetsTheAxesInEveryState) {
  useGraphics(2);
  driver->positionMouse(100, 50);
  EXPECT_EQ(mouse->axis(0), 100.0f);
  EXPECT_EQ(mouse->axis(1), 50.0f);
  useGraphics(3);
  driver->positionMouse(12, 34);
  pushMotion(0, 0, 3, 4);
  EXPECT_EQ(mouse->axis(0), 15.0f);
  EXPECT_EQ(mouse->axis(1), 38.0f);
}

TEST_F(InputDriverTest, ClosingTheDriverInFullScreenShowsThePointer) {
  useGraphics(3);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  run->closeInput(driver);
  driver = nullptr;
  EXPECT_EQ(run->input(), nullptr);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(InputDriverTest, TranslateKeyReadsTheModifiersHeldNow) {
  useGraphics(2);
  EXPECT_EQ(driver->translateKey(30), 'a');
  pushKey(SDL_SCANCODE_RSHIFT, true);
  EXPECT_EQ(keyboard->isDown(54), 1);
  EXPECT_EQ(driver->translateKey(30), 'A');
  pushKey(SDL_SCANCODE_RSHIFT, false);
  pushKey(SDL_SCANCODE_RCTRL, true);
  EXPECT_EQ(keyboard->isDown(157), 1);
  EXPECT_EQ(driver->translateKey(30), 1);
  EXPECT_EQ(driver->translateKey(211), 4);
  EXPECT_EQ(driver->translateKey(0), 0);
}

}  // namespace
}  // namespace korva
