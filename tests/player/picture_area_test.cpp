// Where the game's picture goes in a window of any size, and how pointer positions go from
// the window to game pixels and back, borders included.
#include <gtest/gtest.h>

#include "window/picture_area.h"

namespace korva {
namespace {

TEST(PicturePlacement, EachScalingAtManyWindowSizes) {
  struct Case {
    int outW, outH, gameW, gameH;
    Scaling scaling;
    PictureArea area;
  } cases[] = {
      {960, 720, 320, 240, Scaling::kInteger, {0, 0, 960, 720}},         // exactly 3x
      {1001, 757, 320, 240, Scaling::kInteger, {20, 18, 960, 720}},      // odd size: 3x, borders
      {1920, 1080, 320, 240, Scaling::kInteger, {320, 60, 1280, 960}},   // full HD: 4x
      {1920, 1080, 640, 480, Scaling::kInteger, {320, 60, 1280, 960}},   // 2x
      {639, 479, 320, 240, Scaling::kInteger, {159, 119, 320, 240}},     // just under 2x: 1x
      {300, 300, 320, 240, Scaling::kInteger, {0, 37, 300, 225}},        // smaller: shrunk to fit
      {1920, 1080, 320, 240, Scaling::kFit, {240, 0, 1440, 1080}},
      {1001, 757, 320, 240, Scaling::kFit, {0, 3, 1001, 751}},           // 750.75 rounds to 751
      {1000, 2000, 320, 240, Scaling::kFit, {0, 625, 1000, 750}},
      {1920, 1080, 320, 240, Scaling::kStretch, {0, 0, 1920, 1080}},
      {1, 1, 320, 240, Scaling::kInteger, {0, 0, 1, 1}},                 // never empty
      {0, 720, 320, 240, Scaling::kInteger, {0, 0, 0, 0}},
      {960, 720, 0, 240, Scaling::kFit, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.outW) + "x" + std::to_string(c.outH) + " scaling " +
                 std::to_string(static_cast<int>(c.scaling)));
    PictureArea a = placePicture(c.outW, c.outH, c.gameW, c.gameH, c.scaling);
    EXPECT_EQ(a.x, c.area.x);
    EXPECT_EQ(a.y, c.area.y);
    EXPECT_EQ(a.w, c.area.w);
    EXPECT_EQ(a.h, c.area.h);
  }
}

TEST(PicturePlacement, OutputPixelsToWindowPoints) {
  // A high-density screen: twice as many pixels as points.
  PictureArea a = rescaleArea({320, 60, 1280, 960}, 1920, 1080, 960, 540);
  EXPECT_EQ(a.x, 160);
  EXPECT_EQ(a.y, 30);
  EXPECT_EQ(a.w, 640);
  EXPECT_EQ(a.h, 480);
  PictureArea same = rescaleArea({1, 2, 3, 4}, 10, 10, 10, 10);
  EXPECT_EQ(same.x + same.y + same.w + same.h, 10);
}

TEST(PointerMapping, WindowPointsLandOnGamePixelsAndBordersClampToTheEdge) {
  const PictureArea area{20, 18, 960, 720};  // 320x240 at 3x in a 1001x757 window
  struct Case {
    int x, y, gameX, gameY;
  } cases[] = {
      {20, 18, 0, 0},   {22, 20, 0, 0},      {23, 21, 1, 1},   {979, 737, 319, 239},
      {980, 738, 319, 239},                                     // the border right below
      {0, 0, 0, 0},     {19, 400, 0, 127},  {1000, 756, 319, 239}, {500, 5, 160, 0},
      {-7, -30, 0, 0},
  };
  for (const Case& c : cases) {
    int gx = -1, gy = -1;
    ASSERT_TRUE(windowToGame(c.x, c.y, area, 320, 240, gx, gy));
    EXPECT_EQ(gx, c.gameX) << c.x << "," << c.y;
    EXPECT_EQ(gy, c.gameY) << c.x << "," << c.y;
  }
}

TEST(PointerMapping, PlacingThePointerReadsBackTheSamePixelUnderEveryScale) {
  for (Scaling scaling : {Scaling::kInteger, Scaling::kFit, Scaling::kStretch}) {
    // Not for a picture shrunk below the game's size, where pixels share window points.
    for (auto [outW, outH] : {std::pair{960, 720}, std::pair{1001, 757}, std::pair{1920, 1080}, std::pair{333, 250}}) {
      const PictureArea area = placePicture(outW, outH, 320, 240, scaling);
      for (int g = 0; g < 320; ++g) {
        const int wx = gameToWindow(g, area.x, area.w, 320);
        const int wy = gameToWindow(g % 240, area.y, area.h, 240);
        int gx = -1, gy = -1;
        ASSERT_TRUE(windowToGame(wx, wy, area, 320, 240, gx, gy));
        ASSERT_EQ(gx, g) << outW << "x" << outH;
        ASSERT_EQ(gy, g % 240) << outW << "x" << outH;
      }
    }
  }
}

}  // namespace
}  // namespace korva
