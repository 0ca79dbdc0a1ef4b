// The input module's commands in this process, with events pushed as a user would make them.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/errors.h"
#include "app/module_list.h"
#include "input/commands/input_commands.h"
#include "input/input_test_support.h"

namespace korva {
namespace {

using namespace input;
using test::pushKey;
using test::pushMotion;
using test::tapKey;

class InputCommands : public test::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    useGraphics(2);
    ASSERT_TRUE(session->start(input_module()));
  }
};

TEST_F(InputCommands, StartUpFailsWhenTheWindowHasADriverAlready) {
  EXPECT_FALSE(input_module().create(*run));
  EXPECT_NE(run->input(), nullptr);
  session->end(input_module());
  EXPECT_EQ(run->input(), nullptr);
  EXPECT_TRUE(session->start(input_module()));
}

TEST_F(InputCommands, ShiftThenAGivesNothingThenCapitalA) {
  pushKey(SDL_SCANCODE_LSHIFT, true);
  pushKey(SDL_SCANCODE_A, true);
  EXPECT_EQ(GetKey(), 0);
  EXPECT_EQ(GetKey(), 65);
  EXPECT_EQ(GetKey(), 0);
}

TEST_F(InputCommands, WaitKeySkipsKeysWithoutACharacter) {
  pushKey(SDL_SCANCODE_LSHIFT, true);
  tapKey(SDL_SCANCODE_F1);
  pushKey(SDL_SCANCODE_B, true);
  EXPECT_EQ(WaitKey(), 66);
  pushKey(SDL_SCANCODE_LSHIFT, false);
  tapKey(SDL_SCANCODE_DELETE);
  EXPECT_EQ(WaitKey(), 4);
}

TEST_F(InputCommands, WaitingCommandsEndQuietlyWhenTheWindowCloses) {
  using Wait = int32_t (*)();
  for (Wait wait : {Wait{WaitKey}, Wait{WaitMouse}}) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    try {
      wait();
      ADD_FAILURE() << "the wait returned";
    } catch (const vxEx& e) {
      EXPECT_EQ(e.message, nullptr);
    }
  }
}

TEST_F(InputCommands, MouseButtonsAndTheirQueue) {
  test::pushButton(SDL_BUTTON_LEFT, true);
  test::pushButton(SDL_BUTTON_MIDDLE, true);
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(MouseHit(3), 1);
  EXPECT_EQ(WaitMouse(), 1);
  EXPECT_EQ(GetMouse(), 3);
  EXPECT_EQ(GetMouse(), 0);
  test::pushButton(SDL_BUTTON_RIGHT, true);
  FlushMouse();
  EXPECT_EQ(GetMouse(), 0);
  EXPECT_EQ(MouseDown(2), 1);
}

TEST_F(InputCommands, MouseSpeedFollowsTheTrackers) {
  pushMotion(30, 40, 0, 0);
  EXPECT_EQ(MouseX(), 30);
  EXPECT_EQ(MouseY(), 40);
  // The first speed after start-up is the position itself; MouseX/Y leave it alone.
  EXPECT_EQ(MouseXSpeed(), 30);
  EXPECT_EQ(MouseYSpeed(), 40);
  MoveMouse(100, 50);
  EXPECT_EQ(MouseXSpeed(), 0);
  EXPECT_EQ(MouseYSpeed(), 0);
  EXPECT_EQ(MouseX(), 100);
  EXPECT_EQ(MouseY(), 50);
  pushMotion(110, 45, 0, 0);
  EXPECT_EQ(MouseXSpeed(), 10);
  EXPECT_EQ(MouseYSpeed(), -5);
  EXPECT_EQ(MouseXSpeed(), 0);
}

TEST_F(InputCommands, FullScreenKeepsEvenAFarMovedMouseOnTheGraphics) {
  GraphicsDevice* device = useGraphics(3);
  ASSERT_NE(device, nullptr);
  const int bottom = device->height() - 1;
  MoveMouse(INT32_MIN, INT32_MAX);
  EXPECT_EQ(MouseX(), 0);
  EXPECT_EQ(MouseY(), bottom);
  // The speed wraps like 32-bit arithmetic instead of overflowing.
  EXPECT_EQ(MouseXSpeed(), INT32_MIN);
  EXPECT_EQ(MouseYSpeed(), bottom - INT32_MAX);
}

TEST_F(InputCommands, NumbersOutsideTheTablesGiveZero) {
  for (int n : {-1, 256, 1000, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(KeyDown(n), 0);
    EXPECT_EQ(KeyHit(n), 0);
    EXPECT_EQ(MouseDown(n), 0);
    EXPECT_EQ(MouseHit(n), 0);
  }
}

TEST_F(InputCommands, BadJoystickPortsGiveZeroAtOnce) {
  const int count = JoyType(0) ? 1 : 0;  // a machine may have a real pad on port 0
  for (int port : {-1, 5, 1000, INT32_MIN}) {
    if (port >= 0 && port < count) continue;
    EXPECT_EQ(JoyType(port), 0);
    EXPECT_EQ(JoyDown(1, port), 0);
    EXPECT_EQ(JoyHit(1, port), 0);
    EXPECT_EQ(GetJoy(port), 0);
    EXPECT_EQ(WaitJoy(port), 0);
    EXPECT_EQ(JoyX(port), 0.0f);
    EXPECT_EQ(JoyY(port), 0.0f);
    EXPECT_EQ(JoyZ(port), 0.0f);
    EXPECT_EQ(JoyXDir(port), 0);
    EXPECT_EQ(JoyYDir(port), 0);
    EXPECT_EQ(JoyZDir(port), 0);
  }
  FlushJoy();
}

TEST(AxisDirection, ThirdsOfTheWayAreTheThresholds) {
  const float third = 1.0f / 3.0f;
  const std::pair<float, int> cases[] = {
      {-1.0f, -1}, {std::nextafter(-third, -1.0f), -1}, {-third, 0}, {-0.3333f, 0}, {0.0f, 0},
      {0.3333f, 0}, {third, 0}, {std::nextafter(third, 1.0f), 1}, {1.0f, 1},
      {std::numeric_limits<float>::quiet_NaN(), 0},
  };
  for (auto [value, expected] : cases) EXPECT_EQ(axisDirection(value), expected) << value;
}

TEST_F(InputCommands, PadPluggedInAfterStartIsSeenOnTheNextPort) {
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) GTEST_SKIP() << "no SDL joystick support";
  int port = 0;
  while (JoyType(port) != 0) ++port;
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 3, 4, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* pad = SDL_JoystickOpen(index);
  SDL_JoystickSetVirtualAxis(pad, 0, -32768);
  SDL_JoystickSetVirtualAxis(pad, 1, 32767);
  EXPECT_EQ(JoyType(port), 2);
  SDL_Delay(5);
  EXPECT_EQ(JoyXDir(port), -1);
  EXPECT_EQ(JoyYDir(port), 1);
  EXPECT_EQ(JoyZDir(port), 0);
  SDL_JoystickSetVirtualButton(pad, 3, 1);
  SDL_Delay(5);
  EXPECT_EQ(WaitJoy(port), 4);
  SDL_JoystickClose(pad);
  SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace
}  // namespace korva
