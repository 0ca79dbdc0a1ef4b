// The image commands called directly, with a headless window and the graphics module
// started as a run starts it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "basic/strings.h"
#include "graphics/commands/graphics_commands.h"
#include "render/display/graphics_device.h"
#include "graphics/images/image_commands.h"
#include "graphics/module/graphics_state.h"
#include "core/errors.h"
#include "app/module_list.h"
#include "picture_support.h"
#include "support/error_of.h"
#include "support/graphics_fixture.h"

namespace korva::test {

class ImageCommands : public GraphicsModuleTest {
 protected:
  // The frame's canvas, through the buffer handle a program would get.
  Canvas& frame(int32_t image, int32_t f = 0) {
    Canvas* c = graphics::findBuffer(graphics::ImageBuffer(image, f));
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
    const int32_t image = graphics::CreateImage(w, h, 1);
    Canvas& c = frame(image);
    c.setClsColor(colour);
    c.cls();
    return image;
  }
  TempDir dir;
};

// Colours that every pixel format keeps exactly.
constexpr uint32_t kRed = 0xF80000, kGreen = 0x00FC00, kBlue = 0x0000F8, kWhite = 0xF8FCF8, kMagenta = 0xF800F8;

}  // namespace korva::test
