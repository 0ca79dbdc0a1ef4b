// Each test with a headless runtime window, a run and the graphics module started on it, as
// a run starts them, and the debug flag cleared afterwards.
#pragma once
#include <gtest/gtest.h>

#include "core/errors.h"
#include "graphics/module/graphics_state.h"
#include "render/display/graphics_device.h"
#include "support/run_fixture.h"

namespace korva::test {

class GraphicsModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = std::make_unique<TestRun>();
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    ASSERT_TRUE(session->start(graphics_module()));
  }
  void TearDown() override {
    setDebugFlag(false);
    session.reset();
  }

  GraphicsDevice& device() { return *graphics::state().device; }
  Canvas& current() { return *graphics::state().buffer; }

  std::unique_ptr<TestRun> session;
  RuntimeWindow* window = nullptr;
};

}  // namespace korva::test
