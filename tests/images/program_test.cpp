// The image commands from a compiled program (images.c): a sprite sheet sliced, drawn with
// masks and handles, turned, scaled, tiled, grabbed and tested for collisions; the saved
// screen is compared with a picture composed here from the sheet alone.
#include <gtest/gtest.h>

#include "picture_support.h"
#include "support/programs.h"

namespace korva::test {
namespace {

constexpr uint32_t kMagenta = 0xF800F8, kWhite = 0xF8FCF8, kBackground = 0x000040, kPartial = 0x808080;
constexpr uint32_t kCellColours[6] = {0xF80000, 0x00FC00, 0x0000F8, 0xF8FC00, 0x00FCF8, 0xF88000};
constexpr int kCell = 16;

// 50 x 40: three whole cells across and two down, the partial edges filled with a colour
// that no frame may show. Cell (cx, cy) holds a 9 x 7 block at (2 + cx, 3 + cy) and a white
// pixel in its top right corner, on magenta.
Picture sheet() {
  Picture p(50, 40, kPartial);
  for (int cy = 0; cy < 2; ++cy)
    for (int cx = 0; cx < 3; ++cx) {
      p.fill(cx * kCell, cy * kCell, (cx + 1) * kCell, (cy + 1) * kCell, kMagenta);
      const int bx = cx * kCell + 2 + cx, by = cy * kCell + 3 + cy;
      p.fill(bx, by, bx + 9, by + 7, kCellColours[cy * 3 + cx]);
      p.at((cx + 1) * kCell - 1, cy * kCell) = kWhite;
    }
  return p;
}

// A frame with its handle; magenta is its mask colour.
struct Sprite {
  Picture pic;
  int hx = 0, hy = 0;
  bool lit(int x, int y) const { return pic.inside(x, y) && pic.at(x, y) != kMagenta; }
};

Sprite cell(const Picture& sheet, int index) {
  Sprite s{Picture(kCell, kCell, 0), 8, 8};
  const int cx = index % 3, cy = index / 3;
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) s.pic.at(x, y) = sheet.at(cx * kCell + x, cy * kCell + y);
  return s;
}

// A quarter turn clockwise about the handle, into the box the program reported: the pixel
// whose centre is (X + 0.5, Y + 0.5) from the new handle shows the source pixel whose
// centre is (Y + 0.5, -X - 0.5) from the old one.
Sprite quarterTurn(const Sprite& s, int w, int h, int hx, int hy) {
  Sprite r{Picture(w, h, kMagenta), hx, hy};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = (y - hy) + s.hx, sy = s.hy - (x - hx) - 1;
      if (s.pic.inside(sx, sy)) r.pic.at(x, y) = s.pic.at(sx, sy);
    }
  return r;
}

Sprite doubled(const Sprite& s) {
  Sprite d{Picture(s.pic.width * 2, s.pic.height * 2, 0), s.hx * 2, s.hy * 2};
  for (int y = 0; y < d.pic.height; ++y)
    for (int x = 0; x < d.pic.width; ++x) d.pic.at(x, y) = s.pic.at(x / 2, y / 2);
  return d;
}

struct Clip {
  int left = 0, top = 0, right = 1 << 20, bottom = 1 << 20;
};

// The sprite's pixels (masked: all but magenta) with its handle on (x, y).
void draw(Picture& to, const Sprite& s, int x, int y, bool masked, Clip clip = {}, int sx = 0, int sy = 0, int sw = -1,
          int sh = -1) {
  if (sw < 0) sw = s.pic.width, sh = s.pic.height;
  for (int v = 0; v < sh; ++v)
    for (int u = 0; u < sw; ++u) {
      const int px = x - s.hx + u, py = y - s.hy + v;
      if (!s.pic.inside(sx + u, sy + v) || !to.inside(px, py)) continue;
      if (px < clip.left || px >= clip.right || py < clip.top || py >= clip.bottom) continue;
      const uint32_t c = s.pic.at(sx + u, sy + v);
      if (!masked || c != kMagenta) to.at(px, py) = c;
    }
}

bool collide(const Sprite& a, int x1, int y1, const Sprite& b, int x2, int y2) {
  for (int y = 0; y < a.pic.height; ++y)
    for (int x = 0; x < a.pic.width; ++x)
      if (a.lit(x, y) && b.lit(x1 - a.hx + x - (x2 - b.hx), y1 - a.hy + y - (y2 - b.hy))) return true;
  return false;
}

bool rectCollide(const Sprite& s, int x, int y, int rx, int ry, int rw, int rh) {
  for (int v = ry; v < ry + rh; ++v)
    for (int u = rx; u < rx + rw; ++u)
      if (s.lit(u - (x - s.hx), v - (y - s.hy))) return true;
  return false;
}

uint32_t entry() { return linkedProgram("images"); }

class ImagesProgram : public ::testing::Test {
 protected:
  void SetUp() override { writePng(sheet(), dir.file("sheet.png")); }
  ProgramRun run(char which, bool debug = false) { return runEntry(entry(), debug, std::string(1, which) + " " + dir.path()); }
  TempDir dir;
};

TEST_F(ImagesProgram, DrawsTheSceneAComposerMakesFromTheSheet) {
  ProgramRun r = run('p');
  ASSERT_EQ(r.logs.size(), 19u) << r.endedBy;
  std::vector<int> log;
  for (const std::string& line : r.logs) log.push_back(std::stoi(line));
  ASSERT_EQ(log[0], 1) << "the sheet loads";

  const Picture source = sheet();
  Sprite frames[4];
  for (int f = 0; f < 4; ++f) frames[f] = cell(source, f + 1);  // from cell 1 on
  const Sprite turned = quarterTurn(frames[3], log[1], log[2], log[3], log[4]);
  EXPECT_TRUE(log[1] >= 16 && log[1] <= 18 && log[2] >= 16 && log[2] <= 17) << log[1] << "x" << log[2];
  const Sprite scaled = doubled(frames[0]);
  EXPECT_EQ(log[5], 32);
  EXPECT_EQ(log[6], 16);

  Picture want(160, 120, kBackground);
  for (int f = 0; f < 4; ++f) draw(want, frames[f], 20 + 30 * f, 20, true);
  draw(want, frames[2], 20, 50, false);
  draw(want, turned, 60, 60, true);
  draw(want, scaled, 120, 70, true);
  draw(want, frames[0], 90, 50, true, {}, 4, 4, 8, 8);
  // DrawImage at (0, 100) would put the corner at (-8, 92): the grid runs through it.
  for (int ty = 92; ty < 120; ty += kCell)
    for (int tx = -8; tx < 160; tx += kCell) draw(want, frames[1], tx + 8, ty + 8, true, {0, 100, 160, 120});
  want.copy(20, 20, 16, 16, 136, 0);

  Picture got = readBmp(dir.file("scene.bmp"));
  ASSERT_EQ(got.width, 160);
  ASSERT_EQ(got.height, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) ASSERT_EQ(got.at(x, y), want.at(x, y)) << "at " << x << ", " << y;

  const int collisions[] = {
      collide(frames[0], 40, 40, frames[1], 46, 42),
      collide(frames[0], 40, 40, frames[1], 52, 40),
      1,  // the same two boxes overlap
      collide(frames[2], 40, 40, scaled, 50, 50),
      collide(turned, 10, 10, frames[0], 12, 14),
      collide(turned, 10, 10, frames[3], 20, 26),
      rectCollide(frames[3], 0, 0, -8, -8, 3, 3),
      rectCollide(frames[3], 0, 0, -2, -2, 2, 2),
      0,  // rectangles that only touch
  };
  int ones = 0;
  for (size_t i = 0; i < std::size(collisions); ++i) {
    EXPECT_EQ(log[7 + i], collisions[i]) << "collision test " << i;
    ones += collisions[i];
  }
  EXPECT_TRUE(ones > 2 && ones < 7) << "the cases mix hits and misses";

  EXPECT_EQ(log[16], 1) << "SaveImage";
  Picture saved = readBmp(dir.file("frame2.bmp"));
  ASSERT_EQ(saved.width, kCell);
  EXPECT_EQ(saved.pixels, frames[2].pic.pixels);
  EXPECT_EQ(log[17], 1) << "freeing the current buffer's image leaves the front buffer current";
  EXPECT_EQ(log[18], 1) << "SaveBuffer";
}

TEST_F(ImagesProgram, ErrorsReachTheUser) {
  const struct {
    char which;
    bool debug;
    const char* message;  // null: the program goes on
  } cases[] = {
      {'i', true, "Image does not exist"},
      {'i', false, nullptr},
      {'f', true, "Image frame out of range"},
      {'f', false, nullptr},
      {'n', false, "Not enough frames in bitmap"},
      {'c', false, "Illegal frame count"},
      {'s', false, "Illegal image transform"},
  };
  for (auto c : cases) {
    ProgramRun r = run(c.which, c.debug);
    if (c.message) {
      EXPECT_EQ(r.endedBy, c.message) << c.which << " debug " << c.debug;
      EXPECT_EQ(r.errors, std::vector<std::string>{c.message}) << c.which;
      EXPECT_TRUE(r.logs.empty()) << c.which;
    } else {
      EXPECT_TRUE(r.errors.empty()) << c.which << ": " << r.endedBy;
      EXPECT_EQ(r.logs, std::vector<std::string>{"went on"}) << c.which;
    }
  }
}

}  // namespace
}  // namespace korva::test
