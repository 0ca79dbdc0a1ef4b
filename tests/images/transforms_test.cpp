// Images scaled, resized, turned and transformed: every frame replaced by its resampling.
#include <cmath>
#include <limits>

#include "image_fixture.h"

namespace korva::test {
namespace {

using namespace graphics;

class Transforms : public ImageCommands {
 protected:
  void SetUp() override {
    ImageCommands::SetUp();
    TFormFilter(0);
  }
  // Every pixel a colour of its own position (none black, the mask colour).
  static uint32_t colour(int x, int y) { return uint32_t(8 * x + 8) << 16 | uint32_t(4 * y + 4) << 8 | 0x80; }
  int32_t numbered(int w, int h, int frames = 1) {
    const int32_t image = CreateImage(w, h, frames);
    for (int f = 0; f < frames; ++f)
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) frame(image, f).setPixel(x, y, 0xFF000000u | (colour(x, y) ^ uint32_t(f * 8)));
    return image;
  }
};

TEST_F(Transforms, ScaleImageDoublesSizeAndHandle) {
  const struct {
    int hx, hy;
  } handles[] = {{5, 5}, {0, 0}, {3, 7}};
  for (auto h : handles) {
    const int32_t image = numbered(10, 10);
    HandleImage(image, h.hx, h.hy);
    ScaleImage(image, 2, 2);
    EXPECT_EQ(ImageWidth(image), 20);
    EXPECT_EQ(ImageHeight(image), 20);
    EXPECT_EQ(ImageXHandle(image), 2 * h.hx);
    EXPECT_EQ(ImageYHandle(image), 2 * h.hy);
    Canvas& f = frame(image);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(rgb(f, x, y), colour(x / 2, y / 2)) << x << ", " << y;
  }
}

TEST_F(Transforms, RotateImageQuarterTurnLiesLeftOfTheHandle) {
  const int32_t image = numbered(20, 10);
  RotateImage(image, 90);
  // cos 90 degrees is not quite 0 in single precision: the rounded-out box may gain a column
  // on either side and a row on top over the exact 10 x 20.
  const int w = ImageWidth(image), h = ImageHeight(image), hx = ImageXHandle(image), hy = ImageYHandle(image);
  EXPECT_TRUE(w >= 10 && w <= 12) << w;
  EXPECT_TRUE(h == 20 || h == 21) << h;
  EXPECT_TRUE(hx == 10 || hx == 11) << hx;
  EXPECT_TRUE(hy == 0 || hy == 1) << hy;
  // Clockwise on screen about the handle: source row y becomes the column y + 1 left of the
  // handle, source column x the row x below it; everything else is the mask colour.
  Canvas& f = frame(image);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = y - hy, sy = hx - 1 - x;
      const uint32_t want = sx >= 0 && sx < 20 && sy >= 0 && sy < 10 ? colour(sx, sy) : 0;
      ASSERT_EQ(rgb(f, x, y), want) << x << ", " << y;
    }
}

TEST_F(Transforms, ResizeImageToItsOwnSizeChangesNothingWithoutTheFilter) {
  const int32_t image = numbered(13, 7, 2);
  HandleImage(image, 4, 3);
  ResizeImage(image, 13, 7);
  for (int f = 0; f < 2; ++f) {
    Canvas& c = frame(image, f);
    ASSERT_EQ(c.width(), 13);
    ASSERT_EQ(c.height(), 7);
    EXPECT_EQ(c.handleX(), 4);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(rgb(c, x, y), colour(x, y) ^ uint32_t(f * 8)) << f << ": " << x << ", " << y;
  }
  ResizeImage(image, 26, 3.5f);
  EXPECT_EQ(ImageWidth(image), 26);
  EXPECT_EQ(ImageHeight(image), 4) << "3.5 rounded out";
}

TEST_F(Transforms, TheFilterFlagChoosesBilinearSampling) {
  auto blended = [&](bool filter) {
    TFormFilter(filter);
    const int32_t image = CreateImage(2, 2, 1);
    Canvas& f = frame(image);
    for (int y = 0; y < 2; ++y) f.setPixel(0, y, 0xFF000000u | kRed), f.setPixel(1, y, 0xFF000000u | kBlue);
    ScaleImage(image, 4, 1);
    const uint32_t middle = rgb(frame(image), 3, 1);
    return (middle >> 16) > 0 && (middle & 0xFF) > 0;
  };
  EXPECT_FALSE(blended(false));
  EXPECT_TRUE(blended(true));
}

TEST_F(Transforms, EveryFrameIsReplacedAndItsOldBufferHandleDies) {
  const int32_t image = numbered(6, 4, 3);
  const int32_t old0 = ImageBuffer(image, 0), old2 = ImageBuffer(image, 2);
  graphics::SetBuffer(old2);
  const size_t before = device().liveCanvases();
  ScaleImage(image, 1, 2);
  EXPECT_EQ(graphics::GraphicsBuffer(), graphics::FrontBuffer());
  EXPECT_EQ(graphics::findBuffer(old0), nullptr);
  EXPECT_EQ(graphics::findBuffer(old2), nullptr);
  EXPECT_NE(ImageBuffer(image, 2), old2);
  EXPECT_EQ(device().liveCanvases(), before);
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(frame(image, f).height(), 8) << f;
    EXPECT_EQ(rgb(frame(image, f), 5, 7), colour(5, 3) ^ uint32_t(f * 8)) << f;
  }
}

TEST_F(Transforms, ARefusedTransformEndsTheProgramAndLeavesTheImage) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    void (*apply)(int32_t, float);
    float value;
  } cases[] = {
      {"ScaleImage 0, 1", [](int32_t i, float v) { ScaleImage(i, v, 1); }, 0},
      {"ScaleImage 1, 0", [](int32_t i, float v) { ScaleImage(i, 1, v); }, 0},
      {"ResizeImage 0, 4", [](int32_t i, float v) { ResizeImage(i, v, 4); }, 0},
      {"singular matrix", [](int32_t i, float v) { TFormImage(i, 1, v, v, 4); }, 2},
      {"NaN", [](int32_t i, float v) { TFormImage(i, v, 0, 0, 1); }, nan},
      {"infinite scale", [](int32_t i, float v) { ScaleImage(i, v, 1); }, inf},
      {"NaN angle", [](int32_t i, float v) { RotateImage(i, v); }, nan},
      {"wider than a picture may be", [](int32_t i, float v) { ScaleImage(i, v, 1); }, 4000},
      {"taller than a picture may be", [](int32_t i, float v) { ResizeImage(i, 8, v); }, 20000},
  };
  for (bool debug : {false, true}) {
    setDebugFlag(debug);
    for (auto c : cases) {
      const int32_t image = numbered(8, 4, 2);
      const int32_t buffer = ImageBuffer(image, 1);
      const size_t before = device().liveCanvases();
      EXPECT_EQ(errorOf([&] { c.apply(image, c.value); }), "Illegal image transform") << c.what;
      EXPECT_EQ(device().liveCanvases(), before) << c.what;
      EXPECT_EQ(ImageBuffer(image, 1), buffer) << c.what;
      EXPECT_EQ(ImageWidth(image), 8) << c.what;
      FreeImage(image);
    }
  }
}

}  // namespace
}  // namespace korva::test
