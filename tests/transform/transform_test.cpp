#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include "render/transform/affine_transform.h"

namespace korva {
namespace {

// Owns what the transform makes, as the graphics device will.
struct Maker {
  PixelLayout layout = PixelLayout::xrgb8888();
  bool fail = false;
  int calls = 0;
  std::vector<std::unique_ptr<Canvas>> made;

  CanvasMaker fn() {
    return [this](int w, int h) -> Canvas* {
      ++calls;
      if (fail) return nullptr;
      made.push_back(Canvas::create(w, h, layout));
      return made.back().get();
    };
  }
};

uint32_t at(Canvas& c, int x, int y) {
  c.lock();
  uint32_t v = c.getPixelFast(x, y);
  c.unlock();
  return v;
}

// Every pixel a colour of its own position, none equal to the mask colours used here.
std::unique_ptr<Canvas> numbered(int w, int h, const PixelLayout& layout = PixelLayout::xrgb8888()) {
  auto c = Canvas::create(w, h, layout);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c->setPixel(x, y, 0xFF000000u | uint32_t(8 * x + 8) << 16 | uint32_t(8 * y + 8) << 8 | 0x80);
  return c;
}

TEST(Transform, QuarterTurnAboutTheHandle) {
  auto src = numbered(32, 16);
  src->setHandle(8, 4);
  src->setMaskColor(0x00102030);
  Maker maker;
  Canvas* out = transformCanvas(*src, AffineMatrix::rotation(90), false, maker.fn());
  ASSERT_NE(out, nullptr);
  // cos 90 degrees is -4.4e-8 in single precision: the rounded-out box gains a column on each
  // side and a row on top over the exact 16 x 32.
  EXPECT_EQ(out->width(), 18);
  EXPECT_EQ(out->height(), 33);
  EXPECT_EQ(out->handleX(), 13);
  EXPECT_EQ(out->handleY(), 9);
  EXPECT_EQ(out->maskColor(), src->maskColor());
  // Clockwise about the handle: source row y becomes the column (hy - 1 - y) from the new
  // handle, source column x the row (x - hx); every other pixel is the mask colour.
  std::vector<uint32_t> want(18 * 33, src->maskColor());
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) want[(13 + 4 - 1 - y) + 18 * (9 + x - 8)] = at(*src, x, y);
  for (int i = 0; i < 33; ++i)
    for (int j = 0; j < 18; ++j) ASSERT_EQ(at(*out, j, i), want[j + 18 * i]) << j << "," << i;
}

TEST(Transform, ScaleKeepsTheHandlePointAndRepeatsPixels) {
  struct Case {
    int hx, hy;
    float sx, sy;
    int w, h, nhx, nhy;
  } cases[] = {
      {5, 5, 2, 2, 20, 20, 10, 10},
      {0, 0, 2, 2, 20, 20, 0, 0},
      {0, 0, 1.5f, 1.5f, 15, 15, 0, 0},
      {0, 0, -1, 1, 10, 10, 10, 0},  // mirrored: the picture lies left of the handle
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.sx << " with handle " << k.hx);
    auto src = numbered(10, 10);
    src->setHandle(k.hx, k.hy);
    Maker maker;
    Canvas* out = transformCanvas(*src, AffineMatrix::scale(k.sx, k.sy), false, maker.fn());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->width(), k.w);
    EXPECT_EQ(out->height(), k.h);
    EXPECT_EQ(out->handleX(), k.nhx);
    EXPECT_EQ(out->handleY(), k.nhy);
    if (k.sx == 2) {
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(at(*out, x, y), at(*src, x / 2, y / 2)) << x << "," << y;
    }
    if (k.sx == -1) {
      for (int x = 0; x < 10; ++x) ASSERT_EQ(at(*out, x, 3), at(*src, 9 - x, 3)) << x;
    }
  }
}

TEST(Transform, IdentityCopiesExactly) {
  struct Case {
    PixelLayout layout;
    bool filter;
  } cases[] = {
      {PixelLayout::rgb565(), false}, {PixelLayout::rgb888(), false}, {PixelLayout::xrgb8888(), false},
      {PixelLayout::argb8888(), false},
      // At pixel centres the bilinear weights are exactly 1 and 0; only alpha is lost.
      {PixelLayout::rgb565(), true}, {PixelLayout::xrgb8888(), true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.layout.depth << " bits, filter " << k.filter);
    auto src = numbered(13, 7, k.layout);
    src->setHandle(3, 2);
    src->setMaskColor(0x00FF00FF);
    Maker maker;
    maker.layout = k.layout;
    Canvas* out = transformCanvas(*src, AffineMatrix{}, k.filter, maker.fn());
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->width(), 13);
    ASSERT_EQ(out->height(), 7);
    EXPECT_EQ(out->handleX(), 3);
    EXPECT_EQ(out->handleY(), 2);
    EXPECT_EQ(out->nativeMaskColor(), src->nativeMaskColor());
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(at(*out, x, y), at(*src, x, y)) << x << "," << y;
  }
}

// Values worked out by hand from the weights; the mask colour stands in outside the frame.
TEST(Transform, BilinearAcrossATwoColourEdge) {
  auto src = Canvas::create(2, 1, PixelLayout::xrgb8888());
  src->setPixel(0, 0, 0xFFC82800);  // (200, 40, 0)
  src->setPixel(1, 0, 0xFF64F008);  // (100, 240, 8)
  src->setMaskColor(0x000028);      // (0, 0, 40)
  Maker maker;
  Canvas* out = transformCanvas(*src, AffineMatrix::scale(2, 1), true, maker.fn());
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(out->width(), 4);
  ASSERT_EQ(out->height(), 1);
  const uint32_t want[4] = {0x961E0A, 0xAF5A02, 0x7DBE06, 0x4BB410};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(at(*out, x, 0) & 0xFFFFFF, want[x]) << x;

  // Both directions at once: red 160 at (0, 0), 255 at (1, 1), 0 elsewhere and outside.
  auto sq = Canvas::create(2, 2, PixelLayout::argb8888());
  sq->setPixel(0, 0, 0xFFA00000);
  sq->setPixel(1, 1, 0xFFFF0000);
  sq->setPixel(1, 0, 0xFF000000);
  sq->setPixel(0, 1, 0xFF000000);
  maker.layout = PixelLayout::argb8888();
  out = transformCanvas(*sq, AffineMatrix::scale(2, 2), true, maker.fn());
  ASSERT_NE(out, nullptr);
  struct {
    int x, y;
    uint32_t red;
  } points[] = {{0, 0, 90}, {1, 1, 106}, {2, 2, 153}, {3, 3, 143}, {1, 2, 78}};
  for (auto p : points) {
    uint32_t v = at(*out, p.x, p.y);
    EXPECT_EQ(v >> 16 & 0xFF, p.red) << p.x << "," << p.y;
    EXPECT_EQ(v >> 24, 0u) << "filtered colours have no alpha";
  }
}

TEST(Transform, RefusesWithoutMakingACanvas) {
  struct Case {
    const char* what;
    AffineMatrix m;
    int hx = 0;
  } cases[] = {
      {"all zero", {0, 0, 0, 0}},
      {"flattened", AffineMatrix::scale(0, 1)},
      {"dependent columns", {1, 2, 2, 4}},
      {"determinant underflows", AffineMatrix::scale(1e-30f, 1e-30f)},
      {"not a number", {NAN, 0, 0, 1}},
      {"infinite", {INFINITY, 0, 0, 1}},
      {"wider than the limit", AffineMatrix::scale(256.1f, 1)},
      {"taller than the limit", AffineMatrix::scale(1, 1e6f)},
      {"box beyond int", AffineMatrix::scale(2, 1), INT_MAX},
  };
  for (const Case& k : cases) {
    auto src = numbered(64, 64);
    src->setHandle(k.hx, 0);
    Maker maker;
    EXPECT_EQ(transformCanvas(*src, k.m, true, maker.fn()), nullptr) << k.what;
    EXPECT_EQ(maker.calls, 0) << k.what;
  }
  auto src = numbered(64, 64);
  Maker maker;
  Canvas* edge = transformCanvas(*src, AffineMatrix::scale(256, 1), false, maker.fn());
  ASSERT_NE(edge, nullptr) << "exactly the limit is allowed";
  EXPECT_EQ(edge->width(), kMaxTransformSide);
}

TEST(Transform, FailsWhenTheCanvasCannotBeHad) {
  auto src = numbered(8, 8);
  Maker maker;
  maker.fail = true;
  EXPECT_EQ(transformCanvas(*src, AffineMatrix::rotation(30), false, maker.fn()), nullptr);
  EXPECT_EQ(maker.calls, 1);
  EXPECT_EQ(src->lockCount(), 0);

  src->surface().markLost();  // nothing to read: no canvas is made only to be thrown away
  maker.fail = false;
  EXPECT_EQ(transformCanvas(*src, AffineMatrix::rotation(30), false, maker.fn()), nullptr);
  EXPECT_EQ(maker.calls, 1);
  EXPECT_EQ(src->lockCount(), 0);
}

}  // namespace
}  // namespace korva
