// Overlaps of boxes and collisions of the pixels that differ from the mask colour.
#include "image_fixture.h"

namespace korva::test {
namespace {

using namespace graphics;

TEST(RectsOverlap, TouchingIsNotOverlapping) {
  const struct {
    int x1, y1, w1, h1, x2, y2, w2, h2, want;
  } cases[] = {
      {0, 0, 10, 10, 10, 0, 10, 10, 0},
      {0, 0, 10, 10, 9, 0, 10, 10, 1},
      {0, 0, 10, 10, 0, 10, 10, 10, 0},
      {0, 0, 10, 10, 0, 9, 10, 10, 1},
      {0, 0, 10, 10, -10, -10, 10, 10, 0},
      {0, 0, 10, 10, -9, -9, 10, 10, 1},
      {5, 5, 1, 1, 0, 0, 20, 20, 1},
      {2147483640, 0, 100, 10, -2147483647, 0, 10, 10, 0},  // no wrap-around
  };
  for (auto c : cases)
    EXPECT_EQ(RectsOverlap(c.x1, c.y1, c.w1, c.h1, c.x2, c.y2, c.w2, c.h2), c.want)
        << c.x1 << "," << c.y1 << " " << c.w1 << "x" << c.h1 << " / " << c.x2 << "," << c.y2 << " " << c.w2 << "x" << c.h2;
}

class Collisions : public ImageCommands {
 protected:
  // An image of w x h, all mask colour (black) except the listed pixels.
  int32_t dots(int w, int h, std::initializer_list<std::pair<int, int>> lit) {
    const int32_t image = CreateImage(w, h, 1);
    for (auto [x, y] : lit) frame(image).setPixel(x, y, 0xFF000000u | kWhite);
    return image;
  }
};

TEST_F(Collisions, MaskPixelsOverlappingIsNoCollision) {
  // Each is lit only on its left half; side by side with a 10-pixel overlap of dark halves.
  const int32_t a = CreateImage(20, 10, 1), b = CreateImage(20, 10, 1);
  for (int32_t image : {a, b}) {
    Canvas& f = frame(image);
    f.setClsColor(kRed);
    f.setViewport(0, 0, 10, 10);
    f.cls();
  }
  EXPECT_EQ(ImagesOverlap(a, 0, 0, b, 10, 0), 1);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 10, 0, 0), 0);
  EXPECT_EQ(ImagesCollide(b, 10, 0, 0, a, 0, 0, 0), 0);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 9, 0, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, b, 20, 0), 0);
}

TEST_F(Collisions, LeftEdgesAWordApartMeetOnlyOnTheSamePixel) {
  // Both are 100 wide; A is lit at column c, B at column c - dx, so both land on the same
  // screen column when B is dx to the right, and one apart otherwise.
  for (int dx : {0, 32, 64}) {
    for (int miss : {0, 1, -1}) {
      const int c = 70;
      const int32_t a = dots(100, 4, {{c, 2}});
      const int32_t b = dots(100, 4, {{c - dx + miss, 2}});
      EXPECT_EQ(ImagesOverlap(a, 0, 0, b, dx, 0), 1);
      EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, dx, 0, 0), miss == 0) << "dx " << dx << " miss " << miss;
      EXPECT_EQ(ImagesCollide(b, dx, 0, 0, a, 0, 0, 0), miss == 0) << "swapped, dx " << dx << " miss " << miss;
      EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, dx, 1, 0), 0) << "a row apart";
    }
  }
}

TEST_F(Collisions, ImageRectTestsUseTheHandleAndTheGivenFrame) {
  const int32_t image = CreateImage(40, 10, 2);
  frame(image, 1).setPixel(35, 4, 0xFF000000u | kWhite);
  HandleImage(image, 5, 0);
  const struct {
    int rx, ry, rw, rh, overlap, collide;
  } cases[] = {
      {0, 0, 100, 100, 1, 1},
      {30, 4, 1, 1, 1, 1},    // 35 - 5
      {29, 4, 1, 1, 1, 0},
      {30, 5, 1, 1, 1, 0},
      {-5, 0, 1, 1, 1, 0},    // the frame's left edge
      {-6, 0, 1, 1, 0, 0},    // touching from outside
      {35, 0, 1, 10, 0, 0},   // just past the right edge
      // No area: the bounds rule still takes the edges as they are, the pixels none.
      {30, 4, 0, 1, 1, 0},
      {30, 4, -3, 1, 1, 0},
      {36, 4, -3, 1, 0, 0},   // left edge past the right one of the frame
      {13, 1, -3, 4, 1, 0},
      {30, 4, 2, -1, 1, 0},
      {30, 20, 2, -1, 0, 0},
  };
  for (auto c : cases) {
    EXPECT_EQ(ImageRectOverlap(image, 0, 0, c.rx, c.ry, c.rw, c.rh), c.overlap) << c.rx << "," << c.ry << " " << c.rw << "x" << c.rh;
    // The bounds-only commands agree with each other.
    EXPECT_EQ(RectsOverlap(-5, 0, 40, 10, c.rx, c.ry, c.rw, c.rh), c.overlap) << c.rx << "," << c.ry << " " << c.rw << "x" << c.rh;
    EXPECT_EQ(ImageRectCollide(image, 0, 0, 1, c.rx, c.ry, c.rw, c.rh), c.collide) << c.rx << "," << c.ry << " " << c.rw << "x" << c.rh;
    EXPECT_EQ(ImageRectCollide(image, 0, 0, 0, c.rx, c.ry, c.rw, c.rh), 0) << "frame 0 is all mask";
  }
}

TEST_F(Collisions, MaskImageAfterATestRebuildsTheCollisionMask) {
  // Red on a black background: with a red mask colour only the background collides.
  const int32_t a = dots(8, 8, {}), b = dots(8, 8, {});
  Canvas& f = frame(a);
  f.setClsColor(kRed);
  f.setViewport(0, 0, 4, 8);
  f.cls();
  frame(b).setClsColor(kRed);
  frame(b).cls();
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 4, 0, 0), 0);
  MaskImage(a, 248, 0, 0);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, 4, 0, 0), 1);
  EXPECT_EQ(ImagesCollide(a, 0, 0, 0, b, -4, 0, 0), 0);
  EXPECT_EQ(ImageRectCollide(a, 0, 0, 0, 0, 0, 4, 8), 0);
  EXPECT_EQ(ImageRectCollide(a, 0, 0, 0, 4, 0, 1, 1), 1);
}

}  // namespace
}  // namespace korva::test
