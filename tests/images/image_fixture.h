// The image commands called directly, with a headless window and the graphics module
// started as a run starts it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "basic/strings.h"
#include "graphics/commands/graphics_commands.h"
#include "graphics/display/graphics_device.h"
#include "graphics/images/image_commands.h"
#include "graphics/module/graphics_state.h"
#include "host/errors.h"
#include "host/modules.h"
#include "picture_support.h"
#include "window/runtime_window.h"

namespace korva::test {

class ImageCommands : public ::testing::Test {
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
  // The frame's canvas, through the buffer handle a program would get.
  Canvas& frame(int32_t image, int32_t f = 0) {
    Canvas* c = gfx::findBuffer(imgcmd::ImageBuffer(image, f));
    EXPECT_NE(c, nullptr) << "image " << image << " frame " << f;
    return c ? *c : current();
  }
  uint32_t rgb(Canvas& c, int x, int y) { return c.getPixel(x, y) & 0xFFFFFF; }
  // A picture file in the test's directory.
  vxStr* file(const std::string& name) { return vxStrNew(dir.file(name)); }
  vxStr* picture(const Picture& p, const std::string& name) {
    writePng(p, dir.file(name));
    return file(name);
  }
  // A new image of one frame filled with colour, a black-masked pattern drawn on it by caller.
  int32_t solidImage(int w, int h, uint32_t colour) {
    const int32_t image = imgcmd::CreateImage(w, h, 1);
    Canvas& c = frame(image);
    c.setClsColor(colour);
    c.cls();
    return image;
  }
  // The message a command ends the program with, or "" when it returns.
  template <class F>
  std::string raised(F&& command) {
    try {
      command();
    } catch (const vxEx& e) {
      return e.message ? e.message : "(quiet)";
    }
    return "";
  }

  RuntimeWindow* window = nullptr;
  bool started = false;
  TempDir dir;
};

// Colours that every pixel format keeps exactly.
constexpr uint32_t kRed = 0xF80000, kGreen = 0x00FC00, kBlue = 0x0000F8, kWhite = 0xF8FCF8, kMagenta = 0xF800F8;

}  // namespace korva::test
