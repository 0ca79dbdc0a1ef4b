// Images loaded, sliced, created, copied, freed, saved and grabbed.
#include "image_fixture.h"

namespace korva::test {
namespace {

using namespace graphics;

// A sheet whose every cell is a colour of its own: cell (cx, cy) has red 8 * cx and green
// 8 * cy, with a blue dot at (1, 2) of each cell to tell the cell's orientation.
Picture sheet(int w, int h, int cell) {
  Picture p(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p.at(x, y) = (x % cell == 1 && y % cell == 2) ? kBlue : uint32_t(8 * (x / cell + 1)) << 16 | uint32_t(8 * (y / cell + 1)) << 8;
  return p;
}

uint32_t cellColour(int cx, int cy) { return uint32_t(8 * (cx + 1)) << 16 | uint32_t(8 * (cy + 1)) << 8; }

TEST_F(ImageCommands, AutoMidHandleGivesNewImagesTheirMiddleRoundedDown) {
  vxStr* odd = picture(Picture(33, 17, kRed), "odd.png");
  AutoMidHandle(1);
  const int32_t loaded = LoadImage(odd);
  ASSERT_NE(loaded, 0);
  EXPECT_EQ(ImageWidth(loaded), 33);
  EXPECT_EQ(ImageHeight(loaded), 17);
  EXPECT_EQ(ImageXHandle(loaded), 16);
  EXPECT_EQ(ImageYHandle(loaded), 8);
  const int32_t created = CreateImage(9, 5, 2);
  EXPECT_EQ(frame(created, 1).handleX(), 4);
  EXPECT_EQ(frame(created, 1).handleY(), 2);
  AutoMidHandle(0);
  EXPECT_EQ(ImageXHandle(CreateImage(9, 5, 1)), 0);
}

TEST_F(ImageCommands, LoadAnimImageReadsCellsLeftToRightSkippingPartialOnes) {
  // 100 x 64 with 32 x 32 cells: 3 across (the last 4 columns are a partial cell), 2 down.
  vxStr* name = picture(sheet(100, 64, 32), "sheet.png");
  const size_t before = device().liveCanvases();
  const int32_t image = LoadAnimImage(name, 32, 32, 2, 4);
  ASSERT_NE(image, 0);
  EXPECT_EQ(device().liveCanvases(), before + 4) << "the loaded sheet is freed";
  const int cells[4][2] = {{2, 0}, {0, 1}, {1, 1}, {2, 1}};
  for (int f = 0; f < 4; ++f) {
    Canvas& c = frame(image, f);
    EXPECT_EQ(c.width(), 32);
    EXPECT_EQ(rgb(c, 0, 0), cellColour(cells[f][0], cells[f][1])) << "frame " << f;
    EXPECT_EQ(rgb(c, 31, 31), cellColour(cells[f][0], cells[f][1])) << "frame " << f;
    EXPECT_EQ(rgb(c, 1, 2), kBlue) << "frame " << f;
  }
  EXPECT_EQ(errorOf([&] { ImageBuffer(image, 4); }), "");
}

TEST_F(ImageCommands, LoadAnimImageRefusesBadArgumentsWhateverTheDebugFlag) {
  vxStr* name = picture(sheet(100, 64, 32), "sheet.png");
  vxStrRelease(name);
  const struct {
    int cellW, cellH, first, count;
    const char* message;
  } cases[] = {
      {32, 32, 3, 4, "Not enough frames in bitmap"},
      {32, 32, 0, 7, "Not enough frames in bitmap"},
      {101, 32, 0, 1, "Not enough frames in bitmap"},
      {32, 32, 2147483647, 1, "Not enough frames in bitmap"},
      {32, 32, 0, 0, "Illegal frame count"},
      {32, 32, -1, 1, "Illegal first frame"},
      {32, 32, -1, -1, "Illegal frame count"},
      {0, 32, 0, 1, "Illegal cell size"},
      {32, -4, 0, 1, "Illegal cell size"},
  };
  const size_t before = device().liveCanvases();
  for (bool debug : {false, true}) {
    setDebugFlag(debug);
    for (auto c : cases)
      EXPECT_EQ(errorOf([&] { LoadAnimImage(file("sheet.png"), c.cellW, c.cellH, c.first, c.count); }), c.message)
          << c.cellW << "x" << c.cellH << " from " << c.first << " count " << c.count << " debug " << debug;
  }
  EXPECT_EQ(device().liveCanvases(), before) << "nothing is left behind";
  EXPECT_EQ(LoadAnimImage(file("missing.png"), 32, 32, 0, 1), 0);
}

TEST_F(ImageCommands, CreateImageMakesClearedFramesOrNothing) {
  const int32_t image = CreateImage(6, 4, 3);
  ASSERT_NE(image, 0);
  EXPECT_EQ(rgb(frame(image, 2), 5, 3), 0u);
  EXPECT_EQ(errorOf([&] { ImageBuffer(image, 3); }), "");
  const size_t before = device().liveCanvases();
  EXPECT_EQ(CreateImage(0, 4, 1), 0);
  EXPECT_EQ(CreateImage(4, -1, 2), 0);
  EXPECT_EQ(device().liveCanvases(), before);
  EXPECT_EQ(errorOf([&] { CreateImage(4, 4, 0); }), "Illegal frame count");
  EXPECT_EQ(errorOf([&] { CreateImage(4, 4, -3); }), "Illegal frame count");
}

TEST_F(ImageCommands, CreateImageBeyondThePixelBudgetFailsSoftlyAndLeavesNothing) {
  const struct {
    int32_t width, height, frames;
  } cases[] = {
      {256, 8486, 0x40000000},  // a few dozen frames fit, then the budget ends
      {32768, 32768, 1},        // one frame larger than the whole budget
      {1, 1, 0x7FFFFFFF},       // tiny frames still count against it
  };
  const size_t canvases = device().liveCanvases();
  const size_t pixels = Surface::pixelBytesInUse();
  for (auto c : cases) {
    EXPECT_EQ(CreateImage(c.width, c.height, c.frames), 0) << c.width << "x" << c.height << " x " << c.frames;
    EXPECT_EQ(device().liveCanvases(), canvases);
    EXPECT_EQ(Surface::pixelBytesInUse(), pixels);
  }
  const int32_t fits = CreateImage(2048, 2048, 2);
  EXPECT_NE(fits, 0) << "what a program may really want still fits";
  FreeImage(fits);
}

TEST_F(ImageCommands, CopyImageIsIndependentAndKeepsHandleAndMask) {
  const int32_t source = CreateImage(8, 8, 2);
  frame(source, 1).setClsColor(kGreen);
  frame(source, 1).cls();
  HandleImage(source, 3, 5);
  MaskImage(source, 0, 252, 0);
  const int32_t copy = CopyImage(source);
  ASSERT_NE(copy, 0);
  EXPECT_EQ(rgb(frame(copy, 1), 0, 0), kGreen);
  EXPECT_EQ(rgb(frame(copy, 1), 7, 7), kGreen) << "copied whole despite the source's handle";
  EXPECT_EQ(frame(copy, 1).handleX(), 3);
  EXPECT_EQ(frame(copy, 1).handleY(), 5);
  EXPECT_EQ(frame(copy, 0).maskColor() & 0xFFFFFF, kGreen);
  EXPECT_EQ(frame(source, 1).handleX(), 3) << "the source's handle is put back";
  frame(source, 1).cls();
  frame(copy, 1).setClsColor(kRed);
  frame(copy, 1).cls();
  EXPECT_EQ(rgb(frame(source, 1), 0, 0), kGreen);
}

TEST_F(ImageCommands, FreeImageOfTheCurrentBufferLeavesTheFrontBufferCurrent) {
  const int32_t image = CreateImage(8, 8, 2);
  const int32_t buffer = ImageBuffer(image, 1);
  graphics::SetBuffer(buffer);
  ASSERT_EQ(graphics::GraphicsBuffer(), buffer);
  const size_t before = device().liveCanvases();
  FreeImage(image);
  EXPECT_EQ(graphics::GraphicsBuffer(), graphics::FrontBuffer());
  EXPECT_EQ(device().liveCanvases(), before - 2);
  EXPECT_EQ(graphics::findBuffer(buffer), nullptr);
  EXPECT_EQ(ImageWidth(image), 0);
  setDebugFlag(true);
  EXPECT_EQ(errorOf([&] { FreeImage(image); }), "") << "freeing a dead image is ignored";
  EXPECT_EQ(errorOf([&] { FreeImage(0); }), "");
  EXPECT_EQ(errorOf([&] { ImageWidth(image); }), "Image does not exist");
}

TEST_F(ImageCommands, EveryModeChangeFreesEveryImage) {
  // A fresh device has canvases of its own (the default font's).
  const size_t fresh = device().liveCanvases();
  const int32_t a = CreateImage(8, 8, 3), b = CreateImage(4, 4, 1);
  graphics::Graphics(200, 100, 0, 2);
  EXPECT_EQ(device().liveCanvases(), fresh);
  EXPECT_EQ(ImageWidth(a) + ImageWidth(b), 0);
  const int32_t c = CreateImage(8, 8, 1);
  graphics::EndGraphics();
  EXPECT_EQ(ImageWidth(c), 0);
  const int32_t d = CreateImage(8, 8, 1);
  session->end(graphics_module());
  EXPECT_EQ(ImageWidth(d), 0);
  EXPECT_EQ(Canvas::liveCount(), 0);
}

TEST_F(ImageCommands, SaveImageWritesOneFrame) {
  const int32_t image = CreateImage(5, 3, 2);
  Canvas& c = frame(image, 1);
  c.setPixel(0, 0, kRed);
  c.setPixel(4, 2, kBlue);
  HandleImage(image, 2, 2);
  ASSERT_EQ(SaveImage(image, file("frame.bmp"), 1), 1);
  Picture saved = readBmp(dir.file("frame.bmp"));
  ASSERT_EQ(saved.width, 5);
  ASSERT_EQ(saved.height, 3);
  EXPECT_EQ(saved.at(0, 0), kRed);
  EXPECT_EQ(saved.at(4, 2), kBlue);
  EXPECT_EQ(saved.at(1, 1), 0u);
  EXPECT_EQ(SaveImage(image, vxStrNew("/nonexistent-korva-dir/x.bmp"), 0), 0);
}

TEST_F(ImageCommands, GrabImageTakesWhatDrawImageWouldCover) {
  auto colour = [](int x, int y) { return uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8; };
  for (int x = 0; x < 32; ++x)
    for (int y = 0; y < 32; ++y) current().setPixel(x, y, 0xFF000000u | colour(x, y));
  const int32_t image = CreateImage(8, 6, 1);
  HandleImage(image, 2, 1);
  graphics::Origin(3, 4);
  GrabImage(image, 10, 10, 0);
  // Top-left (10 + 3 - 2, 10 + 4 - 1) of the buffer.
  Canvas& f = frame(image);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(rgb(f, x, y), colour(11 + x, 13 + y)) << x << ", " << y;
  // Drawn back at the same place, it covers exactly the pixels it came from.
  current().setClsColor(0);
  current().cls();
  DrawBlock(image, 10, 10, 0);
  graphics::Origin(0, 0);
  for (int y = 12; y < 20; ++y)
    for (int x = 10; x < 20; ++x) {
      const bool inside = x >= 11 && x < 19 && y >= 13 && y < 19;
      ASSERT_EQ(rgb(current(), x, y), inside ? colour(x, y) : 0u) << x << ", " << y;
    }
}

TEST_F(ImageCommands, GrabImageLeavesFramePixelsOutsideTheBufferAlone) {
  const int32_t image = solidImage(8, 8, kGreen);
  Canvas& f = frame(image);
  f.setViewport(2, 2, 1, 1);
  current().setClsColor(kRed);
  current().cls();
  GrabImage(image, -4, -2, 0);
  EXPECT_EQ(f.viewport(), (korva::Rect{0, 0, 8, 8})) << "the frame's viewport is reset";
  EXPECT_EQ(rgb(f, 3, 1), kGreen);
  EXPECT_EQ(rgb(f, 4, 1), kGreen);
  EXPECT_EQ(rgb(f, 3, 2), kGreen);
  EXPECT_EQ(rgb(f, 4, 2), kRed);
  EXPECT_EQ(rgb(f, 7, 7), kRed);
}

TEST_F(ImageCommands, GrabImageIntoTheCurrentBuffersOwnFrame) {
  const int32_t image = CreateImage(8, 8, 1);
  Canvas& f = frame(image);
  for (int x = 0; x < 8; ++x) f.setPixel(x, 0, 0xFF000000u | uint32_t(x * 16) << 16);
  graphics::SetBuffer(ImageBuffer(image, 0));
  GrabImage(image, 2, 0, 0);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(rgb(f, x, 0), uint32_t(x + 2) * 16 << 16) << x;
  EXPECT_EQ(rgb(f, 6, 0), uint32_t(6 * 16) << 16) << "beyond the source: unchanged";
}

}  // namespace
}  // namespace korva::test
