// The graphics commands called directly, for what programs cannot reach yet without the
// image commands: canvases with handles, image frames freed, the transform filter flag.
#include <gtest/gtest.h>

#include "graphics/commands/graphics_commands.h"
#include "render/display/graphics_device.h"
#include "graphics/module/graphics_state.h"
#include "basic/strings.h"
#include "core/errors.h"
#include "app/module_list.h"
#include "picture_support.h"
#include "support/graphics_fixture.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

using namespace graphics;

using GraphicsCommands = test::GraphicsModuleTest;

TEST(GraphicsModule, StartFailsWhenTheWindowCannotOpenGraphics) {
  test::TestRun session;
  ASSERT_TRUE(session.ok());
  GraphicsDevice* taken = session.window->openGraphics(64, 48, 0, 0, RuntimeWindow::kWindowedGraphics);
  ASSERT_NE(taken, nullptr);
  EXPECT_FALSE(graphics_module().create(*session.run));
  session.window->closeGraphics(taken);
}

TEST_F(GraphicsCommands, StartsWithTheDefaultWindowAndTheFrontBufferCurrent) {
  EXPECT_EQ(GraphicsWidth(), 400);
  EXPECT_EQ(GraphicsHeight(), 300);
  EXPECT_EQ(GraphicsBuffer(), FrontBuffer());
  EXPECT_NE(FrontBuffer(), BackBuffer());
  EXPECT_EQ(window->displayState(), 2);
}

TEST_F(GraphicsCommands, DriverAndModeNumbersAtTheEndsOfTheRangeNameNothing) {
  for (int32_t number : {INT32_MIN, -1, 0, INT32_MAX}) {
    setDebugFlag(false);
    vxStr* name = GfxDriverName(number);
    EXPECT_EQ(vxStrView(name), "") << number;
    vxStrRelease(name);
    EXPECT_EQ(GfxModeWidth(number), 0) << number;
    EXPECT_EQ(GfxModeDepth(number), 0) << number;
    setDebugFlag(true);
    EXPECT_THROW(GfxModeHeight(number), vxEx) << number;
    EXPECT_THROW(SetGfxDriver(number), vxEx) << number;
  }
}

TEST_F(GraphicsCommands, CopyRectSubtractsTheSourceHandle) {
  Canvas* frame = device().createCanvas(16, 16, 0);
  frame->setClsColor(0xFF00FC00);
  frame->cls();
  frame->setHandle(8, 8);
  const int32_t handle = graphics::bufferHandle(frame);
  CopyRect(0, 0, 16, 16, 40, 40, handle, 0);
  EXPECT_EQ(current().getPixel(32, 32) & 0xFFFFFF, 0x00FC00u);
  EXPECT_EQ(current().getPixel(47, 47) & 0xFFFFFF, 0x00FC00u);
  EXPECT_EQ(current().getPixel(48, 48) & 0xFFFFFF, 0u);
  EXPECT_EQ(current().getPixel(31, 31) & 0xFFFFFF, 0u);
}

TEST_F(GraphicsCommands, AFreedFrameLosesItsHandleAndStopsBeingCurrent) {
  Canvas* frame = device().createCanvas(8, 8, 0);
  const int32_t handle = graphics::bufferHandle(frame);
  EXPECT_EQ(graphics::bufferHandle(frame), handle);
  SetBuffer(handle);
  EXPECT_EQ(GraphicsBuffer(), handle);
  graphics::freeBufferCanvas(frame);
  EXPECT_EQ(GraphicsBuffer(), FrontBuffer());
  EXPECT_EQ(graphics::findBuffer(handle), nullptr);
  SetBuffer(handle);  // trusted: nothing happens
  EXPECT_EQ(GraphicsBuffer(), FrontBuffer());
  setDebugFlag(true);
  EXPECT_THROW(SetBuffer(handle), vxEx);
}

TEST_F(GraphicsCommands, TheFreeingStepFreesTheInputLineCanvas) {
  const size_t before = device().liveCanvases();
  graphics::state().inputLine = device().createCanvas(400, 24, 0);
  ASSERT_EQ(device().liveCanvases(), before + 1);
  EndGraphics();  // graphics were not set by the program: only the freeing step runs
  EXPECT_EQ(graphics::state().inputLine, nullptr);
  EXPECT_EQ(device().liveCanvases(), before);
}

TEST_F(GraphicsCommands, AModeChangeForgetsEveryBufferAndFontHandle) {
  const int32_t back = BackBuffer(), font = LoadFont(vxStrNew("courier"), 16, 0, 0, 0);
  ASSERT_NE(font, 0);
  Graphics(200, 100, 0, 2);
  EXPECT_EQ(graphics::findBuffer(back), nullptr);
  EXPECT_EQ(graphics::findFont(font), nullptr);
  EXPECT_NE(BackBuffer(), back);
  EXPECT_EQ(FontHeight(), 12);
}

TEST_F(GraphicsCommands, LoadBufferSamplesNearestPixelsWithTheFilterOff) {
  test::TempDir dir;
  test::Picture quarters(2, 2, 0);
  quarters.at(0, 0) = 0xF80000;
  quarters.at(1, 0) = 0x00FC00;
  quarters.at(0, 1) = 0x0000F8;
  quarters.at(1, 1) = 0xF8FCF8;
  test::writePng(quarters, dir.file("q.png"));
  graphics::state().transformFilter = false;
  ASSERT_EQ(LoadBuffer(FrontBuffer(), vxStrNew(dir.file("q.png"))), 1);
  const struct {
    int x, y;
    uint32_t rgb;
  } spots[] = {{0, 0, 0xF80000}, {199, 149, 0xF80000}, {200, 0, 0x00FC00}, {399, 149, 0x00FC00},
               {0, 150, 0x0000F8}, {199, 299, 0x0000F8}, {200, 150, 0xF8FCF8}, {399, 299, 0xF8FCF8}};
  for (auto s : spots) EXPECT_EQ(current().getPixel(s.x, s.y) & 0xFFFFFF, s.rgb) << s.x << ", " << s.y;
}

}  // namespace
}  // namespace korva
