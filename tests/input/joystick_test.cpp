// Joysticks through SDL's virtual pads: types, axis scale, buttons and hot-plugging.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>

#include "input/devices/joystick_device.h"
#include "input/devices/input_device.h"
#include "input/driver/input_driver.h"
#include "input/input_test_support.h"

namespace korva {
namespace {

TEST(JoystickAxis, RawRangeMapsOntoMinusOneToOne) {
  EXPECT_EQ(joystickAxisValue(0), -1.0f);
  EXPECT_NEAR(joystickAxisValue(32768), 0.0000153f, 0.0000001f);
  EXPECT_GT(joystickAxisValue(32768), 0.0f);
  EXPECT_EQ(joystickAxisValue(65535), 1.0f);
}

// A virtual pad that the test plugs in and out.
class VirtualPad {
 public:
  explicit VirtualPad(SDL_JoystickType type) : type_(type) { plug(); }
  ~VirtualPad() { unplug(); }
  void plug() {
    int index = SDL_JoystickAttachVirtual(type_, 3, 31, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    id_ = SDL_JoystickGetDeviceInstanceID(index);
    handle_ = SDL_JoystickOpen(index);
    ASSERT_NE(handle_, nullptr) << SDL_GetError();
  }
  void unplug() {
    if (!handle_) return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id_) SDL_JoystickDetachVirtual(i);
    }
    SDL_JoystickClose(handle_);
    handle_ = nullptr;
  }
  void axis(int axis, int16_t value) { SDL_JoystickSetVirtualAxis(handle_, axis, value); }
  void button(int button, bool down) { SDL_JoystickSetVirtualButton(handle_, button, down); }

 private:
  SDL_JoystickType type_;
  SDL_JoystickID id_ = -1;
  SDL_Joystick* handle_ = nullptr;
};

class JoystickTest : public test::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) GTEST_SKIP() << "no SDL joystick support: " << SDL_GetError();
    joysticksStarted = true;
  }
  void TearDown() override {
    pads.clear();
    if (driver) run->closeInput(driver);
    if (joysticksStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    WindowFixture::TearDown();
  }
  void openDriver() {
    driver = run->openInput();
    ASSERT_NE(driver, nullptr);
    base = driver->joystickCount();  // pads that this machine really has
  }
  VirtualPad& plug(SDL_JoystickType type) {
    pads.push_back(std::make_unique<VirtualPad>(type));
    return *pads.back();
  }
  // Past the read interval, so the next query reads the pad afresh.
  static void nextRead() { SDL_Delay(JoystickDevice::kPollIntervalMs + 2); }

  bool joysticksStarted = false;
  SdlInputDriver* driver = nullptr;
  int base = 0;
  std::vector<std::unique_ptr<VirtualPad>> pads;
};

TEST_F(JoystickTest, PadsFoundAtStartHaveTheirTypesAndBadPortsHaveNone) {
  plug(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  plug(SDL_JOYSTICK_TYPE_UNKNOWN);
  openDriver();
  ASSERT_GE(base, 2);
  EXPECT_EQ(driver->joystickType(base - 2), 1);
  EXPECT_EQ(driver->joystickType(base - 1), 2);
  for (int port : {-1, base, base + 5, INT32_MIN}) {
    EXPECT_EQ(driver->joystickType(port), 0) << port;
    EXPECT_EQ(driver->joystick(port), nullptr) << port;
  }
}

TEST_F(JoystickTest, AxesAndButtonsAreRead) {
  openDriver();
  VirtualPad& pad = plug(SDL_JOYSTICK_TYPE_UNKNOWN);
  InputDevice* stick = driver->joystick(base);
  ASSERT_NE(stick, nullptr);
  pad.axis(0, -32768);
  pad.axis(1, 32767);
  pad.button(0, true);
  pad.button(30, true);
  nextRead();
  EXPECT_EQ(stick->axis(0), -1.0f);
  EXPECT_EQ(stick->axis(1), 1.0f);
  EXPECT_NEAR(stick->axis(2), 0.0000153f, 0.0000001f);
  EXPECT_EQ(stick->isDown(1), 1);
  EXPECT_EQ(stick->isDown(31), 1);
  EXPECT_EQ(stick->isDown(2), 0);
  EXPECT_EQ(stick->nextEvent(), 1);
  EXPECT_EQ(stick->nextEvent(), 31);
  pad.button(0, false);
  nextRead();
  EXPECT_EQ(stick->isDown(1), 0);
  EXPECT_EQ(stick->takeHits(1), 1);
}

TEST_F(JoystickTest, UnpluggedPadKeepsItsPortReadsNeutralAndComesBackThere) {
  openDriver();
  VirtualPad& first = plug(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  plug(SDL_JOYSTICK_TYPE_UNKNOWN);
  ASSERT_EQ(driver->joystickCount(), base + 2);
  InputDevice* pad = driver->joystick(base);
  first.axis(0, 32767);
  first.button(2, true);
  nextRead();
  EXPECT_EQ(pad->axis(0), 1.0f);
  EXPECT_EQ(pad->isDown(3), 1);

  first.unplug();
  nextRead();
  EXPECT_EQ(pad->axis(0), 0.0f);
  EXPECT_EQ(pad->isDown(3), 0);
  EXPECT_EQ(driver->joystickCount(), base + 2);
  EXPECT_EQ(driver->joystickType(base), 1);
  EXPECT_EQ(driver->joystickType(base + 1), 2);

  first.plug();
  first.axis(1, -32768);
  nextRead();
  EXPECT_EQ(driver->joystickCount(), base + 2);
  EXPECT_EQ(driver->joystick(base), pad);
  nextRead();
  EXPECT_EQ(pad->axis(1), -1.0f);

  // Another make of pad is new, and goes after the others.
  plug(SDL_JOYSTICK_TYPE_ARCADE_STICK);
  EXPECT_EQ(driver->joystickCount(), base + 3);
  EXPECT_EQ(driver->joystickType(base + 2), 2);
}

}  // namespace
}  // namespace korva
