// Images drawn and tiled on the current buffer.
#include "image_fixture.h"

namespace korva::test {
namespace {

using namespace graphics;

class Drawing : public ImageCommands {
 protected:
  // A 4 x 4 frame: a red border round a 2 x 2 centre of the mask colour (black).
  int32_t ringImage() {
    const int32_t image = solidImage(4, 4, kRed);
    Canvas& f = frame(image);
    f.setClsColor(0);
    f.setViewport(1, 1, 2, 2);
    f.cls();
    f.setViewport(0, 0, 4, 4);
    return image;
  }
  void background(uint32_t colour) {
    current().setClsColor(colour);
    current().cls();
  }
};

TEST_F(Drawing, DrawImageSkipsTheMaskColourAndDrawBlockDoesNot) {
  const int32_t image = ringImage();
  HandleImage(image, 1, 2);
  background(kGreen);
  graphics::Origin(10, 20);
  DrawImage(image, 5, 5, 0);
  DrawBlock(image, 5, 15, 0);
  graphics::Origin(0, 0);
  // Top-left at (5 + 10 - 1, 5 + 20 - 2) and ten rows lower.
  for (int top : {23, 33}) {
    EXPECT_EQ(rgb(current(), 14, top), kRed);
    EXPECT_EQ(rgb(current(), 17, top + 3), kRed);
    EXPECT_EQ(rgb(current(), 13, top), kGreen);
    EXPECT_EQ(rgb(current(), 18, top), kGreen);
  }
  EXPECT_EQ(rgb(current(), 15, 24), kGreen) << "masked centre";
  EXPECT_EQ(rgb(current(), 15, 34), 0u) << "solid centre";
}

TEST_F(Drawing, DrawImageRectDrawsPartOfTheFrameFromItsHandleCorner) {
  const int32_t image = CreateImage(8, 8, 1);
  Canvas& f = frame(image);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) f.setPixel(x, y, 0xFF000000u | uint32_t(x * 16 + 8) << 16 | uint32_t(y * 16 + 8) << 8);
  f.setPixel(3, 3, 0);
  HandleImage(image, 4, 4);
  background(kBlue);
  DrawImageRect(image, 20, 20, 2, 3, 3, 2, 0);
  DrawBlockRect(image, 40, 20, 2, 3, 3, 2, 0);
  for (int base : {20, 40})
    for (int y = 0; y < 4; ++y)
      for (int x = -1; x < 5; ++x) {
        const uint32_t got = rgb(current(), base - 4 + x, 16 + y);
        if (x < 0 || x >= 3 || y >= 2)
          EXPECT_EQ(got, kBlue) << base << ": " << x << ", " << y;
        else if (x == 1 && y == 0)
          EXPECT_EQ(got, base == 20 ? kBlue : 0u) << "the masked pixel";
        else
          EXPECT_EQ(got, uint32_t((x + 2) * 16 + 8) << 16 | uint32_t((y + 3) * 16 + 8) << 8) << base << ": " << x << ", " << y;
      }
}

// The left edges of the tiles along a row of the viewport, found by their first column.
std::vector<int> tileColumns(Canvas& c, int row, int from, int to) {
  std::vector<int> at;
  for (int x = from; x < to; ++x)
    if ((c.getPixel(x, row) & 0xFFFFFF) == kWhite) at.push_back(x);
  return at;
}

TEST_F(Drawing, TilesFollowTheGridThroughTheDrawPosition) {
  // A 64 x 8 frame, white in its first column only, the rest masked (black).
  const int32_t image = CreateImage(64, 8, 1);
  Canvas& f = frame(image);
  for (int y = 0; y < 8; ++y) f.setPixel(0, y, 0xFF000000u | kWhite);
  const struct {
    int x, handleX, originX, viewX, viewW;
    std::vector<int> columns;  // viewport-relative
  } cases[] = {
      {0, 0, 0, 0, 400, {0, 64, 128, 192, 256, 320, 384}},
      {10, 0, 0, 0, 200, {10, 74, 138}},
      {-10, 0, 0, 0, 200, {54, 118, 182}},
      {0, 0, 0, 30, 200, {34, 98, 162}},  // grid through 0: 64 - 30 into the viewport
      {5, 3, 7, 0, 200, {9, 73, 137}},
      {-64, 0, 0, 0, 130, {0, 64, 128}},  // a phase of exactly the tile width
  };
  for (const auto& c : cases) {
    graphics::SetBuffer(graphics::FrontBuffer());
    background(kBlue);
    HandleImage(image, c.handleX, 0);
    graphics::Viewport(c.viewX, 0, c.viewW, 300);
    graphics::Origin(c.originX, 0);
    TileImage(image, c.x, 0, 0);
    graphics::Origin(0, 0);
    std::vector<int> got = tileColumns(current(), 5, 0, 400);
    for (int& x : got) x -= c.viewX;
    EXPECT_EQ(got, c.columns) << "x " << c.x << " handle " << c.handleX << " origin " << c.originX << " view " << c.viewX;
    EXPECT_EQ(rgb(current(), c.viewX + 1, 5), kBlue) << "masked pixels are skipped";
    EXPECT_EQ(f.handleX(), c.handleX) << "the handle is put back";
  }
}

}  // namespace
}  // namespace korva::test
