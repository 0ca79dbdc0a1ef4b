#include <gtest/gtest.h>

#include <cstring>

#include "render/canvas/private/blitter.h"
#include "canvas/canvas_helpers.h"

namespace korva {
namespace {

using test::at;
using test::make;

// Each pixel a colour of its own position, so any misplaced copy shows.
std::unique_ptr<Canvas> numbered(int w, int h, const PixelLayout& layout = PixelLayout::xrgb8888()) {
  auto c = make(w, h, layout);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c->setPixel(x, y, 0xFF000000u | uint32_t(y + 1) << 16 | uint32_t(x + 1) << 8 | 0x40);
  return c;
}

TEST(Blit, PartlyOutsideTheSourceCopiesTheInsideAndShifts) {
  auto src = numbered(4, 4);
  auto dst = make(12, 12);
  ASSERT_TRUE(dst->blit(5, 5, *src, -2, -1, 4, 4, true));
  // Source (-2, -1, 2, 3) keeps (0, 0, 2, 3); the destination loses the same two columns and row.
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      bool inside = x >= 7 && x < 9 && y >= 6 && y < 9;
      uint32_t want = inside ? at(*src, x - 7, y - 6) : 0xFF000000u;
      ASSERT_EQ(at(*dst, x, y), want) << x << "," << y;
    }
}

TEST(Blit, ClipsToTheViewportAndUsesOriginAndSourceHandle) {
  auto src = numbered(4, 4);
  src->setHandle(1, 1);
  src->setOrigin(3, 3);  // the source's origin and viewport play no part
  src->setViewport(0, 0, 1, 1);
  auto dst = make(8, 8);
  dst->setOrigin(2, 0);
  dst->setViewport(0, 0, 4, 8);
  ASSERT_TRUE(dst->blit(0, 1, *src, 0, 0, 4, 4, true));  // lands at (1, 0); columns 4.. are cut
  for (int y = 0; y < 4; ++y)
    for (int x = 1; x < 4; ++x) EXPECT_EQ(at(*dst, x, y), at(*src, x - 1, y));
  EXPECT_EQ(at(*dst, 4, 0), 0xFF000000u);
  uint32_t s = dst->stamp();
  EXPECT_FALSE(dst->blit(10, 0, *src, 0, 0, 4, 4, true));
  EXPECT_FALSE(dst->blit(0, 0, *src, 4, 0, 4, 4, true));
  EXPECT_FALSE(dst->blit(0, 0, *src, 0, 0, 0, 4, true));
  EXPECT_EQ(dst->stamp(), s);
}

TEST(Blit, MaskedWithBlackMaskLeavesTheDestinationWhereTheSourceIsBlack) {
  auto src = make(3, 1);
  src->setPixel(1, 0, 0xFF00FF00);
  auto dst = make(3, 1);
  dst->setClsColor(0xFFFF0000);
  dst->cls();
  ASSERT_TRUE(dst->blit(0, 0, *src, 0, 0, 3, 1, false));
  EXPECT_EQ(at(*dst, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(at(*dst, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(at(*dst, 2, 0), 0xFFFF0000u);
  ASSERT_TRUE(dst->blit(0, 0, *src, 0, 0, 3, 1, true));  // solid copies the black too
  EXPECT_EQ(at(*dst, 0, 0), 0xFF000000u);
}

// The console scrolls by blitting a canvas onto itself: up, down and sideways by one.
TEST(Blit, OntoItselfOverlapping) {
  for (bool solid : {true, false}) {
    auto c = numbered(5, 6);
    auto ref = numbered(5, 6);
    ASSERT_TRUE(c->blit(0, 0, *c, 0, 1, 5, 5, solid));  // up
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(at(*c, x, y), at(*ref, x, y + 1)) << solid;
    auto d = numbered(5, 6);
    ASSERT_TRUE(d->blit(0, 1, *d, 0, 0, 5, 5, solid));  // down
    for (int y = 1; y < 6; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(at(*d, x, y), at(*ref, x, y - 1)) << solid;
    auto e = numbered(5, 6);
    ASSERT_TRUE(e->blit(1, 0, *e, 0, 0, 4, 6, solid));  // right
    for (int y = 0; y < 6; ++y)
      for (int x = 1; x < 5; ++x) ASSERT_EQ(at(*e, x, y), at(*ref, x - 1, y)) << solid;
  }
}

// Keyed copies on every format over widths that leave a tail after the vectors, on the widest
// loops and the next narrower ones, against a pixel-by-pixel model.
TEST(Blit, KeyedOnEveryFormatMatchesAPixelModel) {
  for (bool narrower : {false, true}) {
    blitter::forceNarrowerLoops(narrower);
    for (auto layout : {PixelLayout::rgb565(), PixelLayout::rgb555(), PixelLayout::rgb888(),
                        PixelLayout::xrgb8888(), PixelLayout::argb8888()}) {
      const int w = 45, h = 3;
      auto src = numbered(w, h, layout);
      src->setMaskColor(0xFF00FF00);
      for (int x = 0; x < w; x += (x % 7) + 1) src->setPixel(x, 1, 0xFF00FF00);
      for (int x = 0; x < 20; ++x) src->setPixel(x, 2, 0xFF00FF00);  // whole vectors keyed out
      auto dst = make(w + 2, h, layout);
      dst->setClsColor(0xFF202020);
      dst->cls();
      ASSERT_TRUE(dst->blit(1, 0, *src, 0, 0, w, h, false));
      const uint32_t key = src->format().toARGB(src->nativeMaskColor());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w + 2; ++x) {
          uint32_t s = x >= 1 && x <= w ? at(*src, x - 1, y) : key;
          uint32_t want = s == key ? dst->format().toARGB(dst->format().toNative(0xFF202020)) : s;
          ASSERT_EQ(at(*dst, x, y), want) << layout.depth << " " << blitter::vectorPath() << " " << x << "," << y;
        }
    }
  }
  blitter::forceNarrowerLoops(false);
}

// A 32-bit pixel without alpha compares on its colour bits only.
TEST(Blit, KeyIgnoresTheUnusedTopByte) {
  auto src = make(2, 1);
  uint32_t* p = reinterpret_cast<uint32_t*>(src->surface().row(0));
  p[0] = 0xAB000000;  // black with a stray top byte
  p[1] = 0x00FFFFFF;
  auto dst = make(2, 1);
  dst->setClsColor(0xFF0000FF);
  dst->cls();
  dst->blit(0, 0, *src, 0, 0, 2, 1, false);
  EXPECT_EQ(at(*dst, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(at(*dst, 1, 0), 0xFFFFFFFFu);
}

TEST(Blit, BetweenFormatsConvertsTheColours) {
  auto src = make(2, 1, PixelLayout::xrgb8888());
  src->setPixel(0, 0, 0xFFFF8040);
  auto dst = make(2, 1, PixelLayout::rgb565());
  dst->setClsColor(0xFFFFFFFF);
  dst->cls();
  dst->blit(0, 0, *src, 0, 0, 2, 1, false);
  EXPECT_EQ(at(*dst, 0, 0), 0xFFF88040u);
  EXPECT_EQ(at(*dst, 1, 0), 0xFFF8FCF8u);  // black source pixel keyed out
}

TEST(Blit, LargeSolidBlitMatchesSource) {
  auto src = numbered(70, 40, PixelLayout::rgb565());
  auto dst = make(80, 50, PixelLayout::rgb565());
  ASSERT_TRUE(dst->blit(3, 2, *src, 0, 0, 70, 40, true));
  for (int y = 0; y < 40; ++y)
    ASSERT_EQ(std::memcmp(dst->surface().row(y + 2) + 6, src->surface().row(y), 140), 0) << y;
}

}  // namespace
}  // namespace korva
