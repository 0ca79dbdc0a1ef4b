// Each test with a runtime window and a run on it that reports to a recording debugger.
#pragma once
#include <gtest/gtest.h>

#include "render/display/display_drivers.h"
#include "support/run_fixture.h"
#include "support/window_fakes.h"

namespace korva::testing {

class RecordedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = std::make_unique<test::TestRun>(&debugger);
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    run = session->run.get();
    // Whatever the window system reported at creation is not part of any test.
    ASSERT_TRUE(run->poll());
  }
  void TearDown() override { session.reset(); }

  // Full screen in the first mode the primary display lists.
  GraphicsDevice* openFullScreen(int depth = 0) {
    const GfxMode* mode = window->modeInfo(0, 0);
    return mode ? window->openGraphics(mode->width, mode->height, depth, 0, 0) : nullptr;
  }

  RecordingDebugger debugger;
  std::unique_ptr<test::TestRun> session;
  RuntimeWindow* window = nullptr;
  RunContext* run = nullptr;
};

}  // namespace korva::testing
