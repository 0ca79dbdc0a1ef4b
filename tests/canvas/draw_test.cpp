// Primitives against pixels worked out by hand.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "canvas/canvas_helpers.h"
#include "render/canvas/private/blitter.h"

namespace korva {
namespace {

using test::make;
using test::picture;
using Rows = std::vector<std::string>;
using Points = std::set<std::pair<int, int>>;

Points lit(Canvas& c) {
  Points p;
  Rows rows = picture(c);
  for (int y = 0; y < int(rows.size()); ++y)
    for (int x = 0; x < int(rows[y].size()); ++x)
      if (rows[y][x] == '#') p.insert({x, y});
  return p;
}

TEST(Line, EndPointIsNotDrawn) {
  auto c = make(6, 2);
  c->line(0, 0, 3, 0);
  EXPECT_EQ(picture(*c), (Rows{"###...", "......"}));
}

TEST(Line, FromAPointToItselfDrawsNothing) {
  auto c = make(4, 4);
  uint32_t before = c->stamp();
  c->line(2, 2, 2, 2);
  EXPECT_EQ(lit(*c), Points{});
  EXPECT_EQ(c->stamp(), before + 1);  // the clip succeeded, as for any drawn line
}

// A run of 5 across and 2 down from the first point has no exact ties; every octant is the
// same pattern mirrored or transposed.
TEST(Line, AllEightOctants) {
  const std::pair<int, int> base[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
  for (int sx : {1, -1})
    for (int sy : {1, -1})
      for (bool steep : {false, true}) {
        auto c = make(21, 21);
        auto map = [&](int a, int b) { return steep ? std::pair{10 + sx * b, 10 + sy * a} : std::pair{10 + sx * a, 10 + sy * b}; };
        auto end = map(5, 2);
        c->line(10, 10, end.first, end.second);
        Points want;
        for (auto [a, b] : base) want.insert(map(a, b));
        EXPECT_EQ(lit(*c), want) << "sx " << sx << " sy " << sy << " steep " << steep;
      }
}

TEST(Line, ExactTiesStayOnTheFirstPointsSide) {
  auto c = make(6, 4);
  c->line(0, 0, 4, 2);  // steps 1 and 3 fall exactly between two rows
  EXPECT_EQ(lit(*c), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  auto d = make(6, 4);
  d->line(4, 2, 0, 0);
  EXPECT_EQ(lit(*d), (Points{{4, 2}, {3, 2}, {2, 1}, {1, 1}}));
}

TEST(Line, DiagonalsAndAxes) {
  auto c = make(5, 5);
  c->line(0, 4, 4, 0);
  EXPECT_EQ(lit(*c), (Points{{0, 4}, {1, 3}, {2, 2}, {3, 1}}));
  auto d = make(3, 5);
  d->line(1, 4, 1, 0);
  EXPECT_EQ(lit(*d), (Points{{1, 4}, {1, 3}, {1, 2}, {1, 1}}));
}

TEST(Line, ClippedLinesKeepTheirPixelsAndHugeOnesFinish) {
  auto full = make(16, 16);
  full->line(1, 2, 14, 11);
  auto cut = make(16, 16);
  cut->setViewport(4, 3, 6, 6);
  cut->line(1, 2, 14, 11);
  Points want;
  for (auto p : lit(*full))
    if (p.first >= 4 && p.first < 10 && p.second >= 3 && p.second < 9) want.insert(p);
  EXPECT_FALSE(want.empty());
  EXPECT_EQ(lit(*cut), want);

  auto big = make(8, 8);
  big->setOrigin(INT_MAX, INT_MIN);
  big->line(INT_MIN, INT_MAX, INT_MAX, INT_MAX);  // only steps inside the viewport are walked
  big->setOrigin(0, 0);
  big->line(-2000000000, 3, 2000000000, 3);
  EXPECT_EQ(picture(*big)[3], "########");
}

TEST(Rect, OutlineSolidAndEmpty) {
  auto c = make(6, 5);
  c->rect(1, 1, 4, 3, false);
  EXPECT_EQ(picture(*c), (Rows{"......", ".####.", ".#..#.", ".####.", "......"}));
  auto one = make(4, 4);
  one->rect(2, 0, 1, 3, false);  // left and right edges coincide
  EXPECT_EQ(picture(*one), (Rows{"..#.", "..#.", "..#.", "...."}));
  auto solid = make(4, 3);
  solid->setOrigin(1, 1);
  solid->rect(-1, -1, 3, 2, true);
  EXPECT_EQ(picture(*solid), (Rows{"###.", "###.", "...."}));
  auto none = make(4, 4);
  uint32_t s = none->stamp();
  none->rect(1, 1, 0, 3, true);
  none->rect(1, 1, 3, 0, false);
  none->rect(1, 1, -2, 3, false);
  EXPECT_EQ(lit(*none), Points{});
  EXPECT_EQ(none->stamp(), s);
}

TEST(Rect, OutlineEdgesAreClippedEachOnItsOwn) {
  auto c = make(6, 6);
  c->setViewport(1, 1, 4, 4);
  c->rect(0, 2, 6, 3, false);  // left and right edges fall outside the viewport
  EXPECT_EQ(picture(*c), (Rows{"......", "......", ".####.", "......", ".####.", "......"}));
}

// The canvas is as large as the picture; the oval is drawn at (x, y) with size (w, h).
struct OvalCase {
  int x, y, w, h;
  bool solid;
  Rows want;
};

TEST(Oval, Spans) {
  const OvalCase cases[] = {
      {0, 0, 7, 5, true, {".#####.", "#######", "#######", "#######", ".#####."}},
      {0, 0, 7, 5, false, {".#####.", "#.....#", "#.....#", "#.....#", ".#####."}},
      {1, 1, 8, 6, true,
       {"..........", "...####...", "..######..", ".########.", ".########.", "..######..", "...####...",
        ".........."}},
      {1, 1, 8, 6, false,
       {"..........", "...####...", "..#....#..", ".#......#.", ".#......#.", "..#....#..", "...####...",
        ".........."}},
      {0, 0, 1, 1, true, {"#.", ".."}},
      {0, 0, 1, 3, false, {"#..", "#..", "#..", "..."}},
  };
  for (const OvalCase& k : cases) {
    auto c = make(int(k.want[0].size()), int(k.want.size()));
    c->oval(k.x, k.y, k.w, k.h, k.solid);
    EXPECT_EQ(picture(*c), k.want) << k.w << "x" << k.h << (k.solid ? " solid" : " outline");
  }
}

const Rows kRing12 = {"....####....", "..##....##..", ".#........#.", ".#........#.", "#..........#", "#..........#",
                      "#..........#", "#..........#", ".#........#.", ".#........#.", "..##....##..", "....####...."};

TEST(Oval, OutlineCutByTheViewportJoinsTheRowsOutsideIt) {
  auto whole = make(12, 12);
  whole->oval(0, 0, 12, 12, false);
  EXPECT_EQ(picture(*whole), kRing12);
  auto cut = make(12, 12);
  cut->setViewport(0, 2, 12, 8);  // cuts two rows off the top and two off the bottom
  cut->oval(0, 0, 12, 12, false);
  Rows want = kRing12;
  for (int r : {0, 1, 10, 11}) want[r] = "............";
  EXPECT_EQ(picture(*cut), want);
}

TEST(Oval, ViewportCuttingTopAndBottom) {
  auto c = make(9, 4);
  c->setViewport(0, 1, 9, 2);
  c->oval(0, -3, 9, 9, false);
  EXPECT_EQ(picture(*c), (Rows{".........", "#.......#", "#.......#", "........."}));
  auto s = make(9, 4);
  s->setViewport(0, 1, 9, 2);
  s->oval(0, -3, 9, 9, true);
  EXPECT_EQ(picture(*s), (Rows{".........", "#########", "#########", "........."}));
}

TEST(Oval, EmptyOrHugeOvals) {
  auto c = make(8, 8);
  uint32_t s = c->stamp();
  c->oval(1, 1, 0, 5, true);
  c->oval(1, 1, 5, 0, false);
  c->oval(1, 1, -5, -5, false);
  EXPECT_EQ(lit(*c), Points{});
  EXPECT_EQ(c->stamp(), s);
  // Far larger than the canvas: only the visible rows are walked, and the edges stay out.
  c->oval(-1000000000, -1000000000, 2000000000, 2000000000, false);
  EXPECT_EQ(lit(*c), Points{});
  c->oval(-1000000000, -1000000000, 2000000000, 2000000000, true);
  EXPECT_EQ(lit(*c).size(), 64u);
}

TEST(Cls, FillsOnlyTheViewportWithTheClearColour) {
  auto c = make(4, 3);
  c->setClsColor(0x00FFFFFF);  // alpha is forced opaque
  c->setViewport(1, 1, 2, 5);
  c->cls();
  EXPECT_EQ(picture(*c), (Rows{"....", ".##.", ".##."}));
  EXPECT_EQ(test::at(*c, 1, 1), 0xFFFFFFFFu);
}

TEST(Plot, UsesOriginAndViewport) {
  auto c = make(4, 4);
  c->setOrigin(1, 2);
  c->setViewport(0, 0, 3, 3);
  c->plot(0, 0);
  c->plot(2, 0);  // (3, 2) is outside the viewport
  EXPECT_EQ(lit(*c), (Points{{1, 2}}));
}

// Fills on every format, with colours whose bytes differ, over odd widths (a tail after the
// vectors), on the widest loops and the next narrower ones: nothing outside the rectangle may
// change.
TEST(Fill, EveryFormatStaysInsideItsRectangle) {
  for (bool narrower : {false, true}) {
    blitter::forceNarrowerLoops(narrower);
    for (auto layout : {PixelLayout::rgb565(), PixelLayout::rgb555(), PixelLayout::rgb888(),
                        PixelLayout::xrgb8888(), PixelLayout::argb8888()}) {
      auto c = make(101, 5, layout);
      c->setColor(0xFF123456);
      c->rect(3, 1, 97, 3, true);
      c->setColor(0xFF808080);
      c->rect(0, 4, 101, 1, true);
      const uint32_t want = c->format().toARGB(c->format().toNative(0xFF123456));
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 101; ++x) {
          bool inside = y >= 1 && x >= 3 && x < 100;
          ASSERT_EQ(test::at(*c, x, y), inside ? want : 0xFF000000u)
              << layout.depth << " " << blitter::vectorPath() << " " << x << "," << y;
        }
      EXPECT_EQ(test::at(*c, 100, 4), c->format().toARGB(c->format().toNative(0xFF808080)));
    }
  }
  blitter::forceNarrowerLoops(false);
}

}  // namespace
}  // namespace korva
