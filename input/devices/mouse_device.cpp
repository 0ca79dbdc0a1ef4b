#include "input/devices/mouse_device.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "input/devices/input_host.h"

namespace korva {
namespace {

// Far-flung motion saturates rather than overflowing; it is clamped to the graphics anyway.
int64_t accumulate(int64_t total, int delta) {
  constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
  return std::clamp<int64_t>(total + delta, -kLimit, kLimit);
}

}  // namespace

void MouseDevice::setPosition(int x, int y) {
  setAxis(0, static_cast<float>(x));
  setAxis(1, static_cast<float>(y));
}

void MouseDevice::reportMotion(int dx, int dy) {
  if (!acquired()) return;
  dx_ = accumulate(dx_, dx);
  dy_ = accumulate(dy_, dy);
}

void MouseDevice::reportButton(int button, bool down) {
  if (acquired() && button >= 1 && button <= 3) buttons_[button] = down;
}

void MouseDevice::update() {
  host_.pollEvents();
  if (!acquired()) return;
  if (int width = 0, height = 0; host_.graphicsSize(width, height) && width > 0 && height > 0) {
    int64_t x = static_cast<int64_t>(std::trunc(axisValue(0))) + dx_;
    int64_t y = static_cast<int64_t>(std::trunc(axisValue(1))) + dy_;
    setAxis(0, static_cast<float>(std::clamp<int64_t>(x, 0, width - 1)));
    setAxis(1, static_cast<float>(std::clamp<int64_t>(y, 0, height - 1)));
  }
  dx_ = dy_ = 0;
  for (int button = 1; button <= 3; ++button) set(button, buttons_[button]);
}

bool MouseDevice::acquireSource() {
  clearReports();
  return true;
}

void MouseDevice::unacquireSource() { clearReports(); }

void MouseDevice::clearReports() {
  dx_ = dy_ = 0;
  buttons_.fill(false);
}

}  // namespace korva
