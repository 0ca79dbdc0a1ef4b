// Each test with a runtime window of its own that reports to a recording debugger.
#pragma once
#include <gtest/gtest.h>

#include "render/display/display_drivers.h"
#include "support/window_fakes.h"
#include "window/runtime_window.h"

namespace korva::testing {

class RecordedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = RuntimeWindow::create("", &debugger, 0);
    ASSERT_NE(window, nullptr);
    // Whatever the window system reported at creation is not part of any test.
    ASSERT_TRUE(window->poll());
  }
  void TearDown() override { RuntimeWindow::destroy(window); }

  // Full screen in the first mode the primary display lists.
  GraphicsDevice* openFullScreen(int depth = 0) {
    const GfxMode* mode = window->modeInfo(0, 0);
    return mode ? window->openGraphics(mode->width, mode->height, depth, 0, 0) : nullptr;
  }

  RecordingDebugger debugger;
  RuntimeWindow* window = nullptr;
};

}  // namespace korva::testing
