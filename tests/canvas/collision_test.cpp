#include <gtest/gtest.h>

#include "canvas/canvas_helpers.h"

namespace korva {
namespace {

using test::make;

// A canvas of transparent (black) pixels with the given pixels set.
std::unique_ptr<Canvas> dots(int w, int h, std::initializer_list<std::pair<int, int>> at) {
  auto c = make(w, h);
  for (auto [x, y] : at) c->setPixel(x, y, 0xFFFFFFFF);
  return c;
}

TEST(Collide, SameX) {
  auto a = dots(40, 4, {{5, 2}});
  auto b = dots(40, 4, {{6, 2}});
  EXPECT_FALSE(a->collide(0, 0, *b, 0, 0, false));
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, true));
  auto c = dots(40, 4, {{5, 2}});
  EXPECT_TRUE(a->collide(0, 0, *c, 0, 0, false));
  EXPECT_FALSE(a->collide(0, 0, *c, 0, 1, false));
}

TEST(Collide, ThirtyTwoAndSixtyFourApart) {
  auto a = dots(96, 2, {{40, 1}, {70, 0}});
  auto hit32 = dots(32, 2, {{8, 1}});
  auto miss32 = dots(32, 2, {{9, 1}});
  EXPECT_TRUE(a->collide(0, 0, *hit32, 32, 0, false));
  EXPECT_FALSE(a->collide(0, 0, *miss32, 32, 0, false));
  EXPECT_TRUE(hit32->collide(32, 0, *a, 0, 0, false));  // either canvas may be on the left
  auto hit64 = dots(32, 2, {{6, 0}});
  EXPECT_TRUE(a->collide(0, 0, *hit64, 64, 0, false));
  EXPECT_FALSE(a->collide(0, 0, *hit64, 64, 1, false));
}

TEST(Collide, DiffersOnlyInTheLastPartialWord) {
  auto a = dots(40, 3, {{39, 2}});
  auto hit = dots(40, 3, {{39, 2}});
  auto miss = dots(40, 3, {{38, 2}});
  EXPECT_TRUE(a->collide(0, 0, *hit, 0, 0, false));
  EXPECT_FALSE(a->collide(0, 0, *miss, 0, 0, false));
}

// A 32-pixel frame at an offset that is not a multiple of 32: the last word of the overlap
// lies past the frame's one mask word per row, on its last row too.
TEST(Collide, NarrowFrameAtAnUnalignedOffset) {
  auto wide = dots(64, 4, {{36, 3}});
  auto frame = dots(32, 4, {{31, 3}});
  EXPECT_TRUE(wide->collide(0, 0, *frame, 5, 0, false));  // hit carried over the word edge
  EXPECT_FALSE(wide->collide(0, 0, *frame, 4, 0, false));
  auto wide2 = dots(64, 4, {{37, 3}});
  EXPECT_FALSE(wide2->collide(0, 0, *frame, 5, 0, false));
}

TEST(Collide, HandlesAreSubtracted) {
  auto a = dots(8, 8, {{2, 2}});
  auto b = dots(8, 8, {{0, 0}});
  b->setHandle(3, 3);
  EXPECT_TRUE(a->collide(0, 0, *b, 5, 5, false));
  a->setHandle(1, 0);
  EXPECT_FALSE(a->collide(0, 0, *b, 5, 5, false));
  EXPECT_TRUE(a->collide(1, 0, *b, 5, 5, false));
  EXPECT_FALSE(a->collide(0, 0, *b, 100, 0, true));  // boxes apart
}

TEST(RectCollide, TransparentPixelsAndBoundsOnly) {
  auto c = dots(70, 4, {{1, 1}, {68, 3}});
  EXPECT_FALSE(c->rectCollide(0, 0, 2, 0, 60, 4, false));
  EXPECT_TRUE(c->rectCollide(0, 0, 2, 0, 60, 4, true));
  EXPECT_TRUE(c->rectCollide(0, 0, 1, 1, 1, 1, false));   // first and last word the same
  EXPECT_TRUE(c->rectCollide(0, 0, 2, 2, 67, 2, false));  // through the middle word to the last
  EXPECT_FALSE(c->rectCollide(0, 0, 2, 2, 66, 2, false));
  EXPECT_FALSE(c->rectCollide(0, 0, 70, 0, 5, 5, true));  // touching edges do not overlap
  // No area: the bounds take the edges as given, and there is no pixel to hit.
  EXPECT_TRUE(c->rectCollide(0, 0, 5, 1, -3, 2, true));
  EXPECT_FALSE(c->rectCollide(0, 0, 5, 1, -3, 2, false));
  EXPECT_FALSE(c->rectCollide(0, 0, 1, 1, 0, 2, false));
  c->setHandle(10, 10);
  EXPECT_TRUE(c->rectCollide(10, 10, 1, 1, 1, 1, false));
}

TEST(CollisionMask, KeptAfterAMaskColourChangeAndRecomputedOnlyWhereDrawn) {
  auto c = make(64, 2);
  c->setColor(0xFFFF0000);
  c->rect(0, 0, 64, 1, true);  // row 0 red, row 1 black
  auto probe = dots(64, 2, {{3, 0}, {40, 0}});
  ASSERT_TRUE(c->collide(0, 0, *probe, 0, 0, false));
  ASSERT_NE(c->collisionMask(), nullptr);
  EXPECT_EQ(c->collisionMask()[0], 0xFFFFFFFFu);
  EXPECT_EQ(c->collisionMask()[2], 0u);

  c->setMaskColor(0xFFFF0000);  // red is now transparent, but the mask stays as built
  EXPECT_TRUE(c->collide(0, 0, *probe, 0, 0, false));
  c->setColor(0xFF0000FF);
  c->plot(45, 0);  // only row 0's second word is recomputed
  const uint32_t* m = c->collisionMask();
  EXPECT_EQ(m[0], 0xFFFFFFFFu);
  EXPECT_EQ(m[1], 1u << (31 - 13));
  EXPECT_EQ(m[2], 0u);
  EXPECT_EQ(m[3], 0u);
  EXPECT_TRUE(c->collide(0, 0, *probe, 0, 0, false));
  auto probe2 = dots(64, 2, {{40, 0}});
  EXPECT_FALSE(c->collide(0, 0, *probe2, 0, 0, false));
}

TEST(CollisionMask, PixelsWrittenWhileLockedReachItAtUnlock) {
  auto c = make(40, 2);
  auto probe = dots(40, 2, {{35, 1}});
  EXPECT_FALSE(c->collide(0, 0, *probe, 0, 0, false));
  c->lock();
  c->lock();
  c->setPixelFast(35, 1, 0xFFFFFFFF);
  c->unlock();
  EXPECT_FALSE(c->collide(0, 0, *probe, 0, 0, false));  // still locked: not yet
  c->unlock();
  EXPECT_TRUE(c->collide(0, 0, *probe, 0, 0, false));
}

TEST(CollisionMask, EveryFormatAndBitsPastTheWidthAreZero) {
  for (auto layout : {PixelLayout::rgb565(), PixelLayout::rgb888(), PixelLayout::argb8888()}) {
    auto c = make(35, 1, layout);
    c->setClsColor(0xFFFFFFFF);
    c->cls();
    c->setPixel(0, 0, 0);
    // The default mask colour is transparent black: with an alpha channel, opaque black is solid.
    c->setPixel(2, 0, 0xFF000000);
    auto probe = dots(35, 1, {{1, 0}});
    ASSERT_TRUE(c->collide(0, 0, *probe, 0, 0, false));
    const uint32_t* m = c->collisionMask();
    EXPECT_EQ(m[0], layout.alphaMask ? 0x7FFFFFFFu : 0x5FFFFFFFu) << layout.depth;
    EXPECT_EQ(m[1], 0xE0000000u) << layout.depth;
  }
}

}  // namespace
}  // namespace korva
