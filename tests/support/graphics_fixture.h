// Each test with a headless runtime window and the graphics module started on it, as a run
// starts them, and the debug flag cleared afterwards.
#pragma once
#include <gtest/gtest.h>

#include "render/display/graphics_device.h"
#include "graphics/module/graphics_state.h"
#include "core/errors.h"
#include "link/modules.h"
#include "window/runtime_window.h"

namespace korva::test {

class GraphicsModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = RuntimeWindow::create("", nullptr, 0);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(graphics_create());
    started = true;
  }
  void TearDown() override {
    setDebugFlag(false);
    if (started) graphics_destroy();
    RuntimeWindow::destroy(window);
  }

  GraphicsDevice& device() { return *gfx::state().device; }
  Canvas& current() { return *gfx::state().buffer; }

  RuntimeWindow* window = nullptr;
  bool started = false;
};

}  // namespace korva::test
