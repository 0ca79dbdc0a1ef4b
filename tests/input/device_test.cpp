// The device rules every kind shares: hits, the press queue, flush and acquisition.
#include "input/devices/input_device.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

class TestDevice : public InputDevice {
 public:
  using InputDevice::press;
  using InputDevice::release;
  using InputDevice::set;
  using InputDevice::setAxis;
  int updates = 0;
  bool sourceAvailable = true;

 protected:
  void update() override { ++updates; }
  bool acquireSource() override { return sourceAvailable; }
};

TEST(InputDevice, HitsCountEveryPressUntilTaken) {
  TestDevice d;
  for (int i = 0; i < 3; ++i) {
    d.press(57);
    d.release(57);
  }
  EXPECT_EQ(d.takeHits(57), 3);
  EXPECT_EQ(d.takeHits(57), 0);
  EXPECT_EQ(d.isDown(57), 0);
  EXPECT_GT(d.updates, 0);  // every query brings the device up to date first
}

TEST(InputDevice, QueueHoldsThirtyTwoPressesAndDropsTheRest) {
  TestDevice d;
  for (int i = 1; i <= 33; ++i) d.press(i);
  EXPECT_EQ(d.isDown(33), 1);
  EXPECT_EQ(d.takeHits(33), 1);
  for (int i = 1; i <= 32; ++i) EXPECT_EQ(d.nextEvent(), i);
  EXPECT_EQ(d.nextEvent(), 0);
  // Room again once read, in ring order past the end of the slots.
  for (int i = 100; i < 140; ++i) d.press(i);
  for (int i = 100; i < 132; ++i) EXPECT_EQ(d.nextEvent(), i);
  EXPECT_EQ(d.nextEvent(), 0);
}

TEST(InputDevice, SetChangesOnlyOnADifferentState) {
  TestDevice d;
  d.set(5, true);
  d.set(5, true);
  d.set(5, false);
  d.set(5, false);
  d.set(5, true);
  EXPECT_EQ(d.takeHits(5), 2);
  EXPECT_EQ(d.nextEvent(), 5);
  EXPECT_EQ(d.nextEvent(), 5);
  EXPECT_EQ(d.nextEvent(), 0);
}

TEST(InputDevice, FlushForgetsHitsAndQueueButKeepsHeldKeysAndAxes) {
  TestDevice d;
  d.press(30);
  d.press(31);
  d.release(31);
  d.setAxis(0, 12.0f);
  d.flush();
  EXPECT_EQ(d.isDown(30), 1);
  EXPECT_EQ(d.isDown(31), 0);
  EXPECT_EQ(d.takeHits(30), 0);
  EXPECT_EQ(d.nextEvent(), 0);
  EXPECT_EQ(d.axis(0), 12.0f);
}

TEST(InputDevice, EveryChangeOfAcquisitionClearsTheState) {
  TestDevice d;
  auto fill = [&] {
    d.press(42);
    d.setAxis(1, 7.0f);
  };
  auto expectClear = [&] {
    EXPECT_EQ(d.isDown(42), 0);
    EXPECT_EQ(d.takeHits(42), 0);
    EXPECT_EQ(d.nextEvent(), 0);
    EXPECT_EQ(d.axis(1), 0.0f);
  };
  fill();
  d.acquire();
  EXPECT_TRUE(d.acquired());
  expectClear();
  fill();
  d.acquire();  // already acquired: nothing is cleared
  EXPECT_EQ(d.isDown(42), 1);
  d.unacquire();
  EXPECT_FALSE(d.acquired());
  expectClear();
  fill();
  d.unacquire();  // not acquired: nothing to clear
  EXPECT_EQ(d.isDown(42), 1);

  d.sourceAvailable = false;
  d.acquire();
  EXPECT_FALSE(d.acquired());
}

TEST(InputDevice, CodesAndAxesOutsideTheTablesReadZeroAndChangeNothing) {
  TestDevice d;
  for (int code : {-1, 256, 100000, INT32_MIN, INT32_MAX}) {
    d.press(code);
    d.set(code, true);
    d.setAxis(code, 1.0f);
    EXPECT_EQ(d.isDown(code), 0) << code;
    EXPECT_EQ(d.takeHits(code), 0) << code;
    EXPECT_EQ(d.axis(code), 0.0f) << code;
    EXPECT_FALSE(d.downFlag(code));
  }
  EXPECT_EQ(d.nextEvent(), 0);
  d.press(255);
  EXPECT_EQ(d.isDown(255), 1);
  EXPECT_EQ(d.axis(31), 0.0f);
}

}  // namespace
}  // namespace korva
