// The graphics commands from a compiled program (graphics.c): what it draws is saved with
// SaveBuffer and read back here, and compared with pictures made without the canvas code.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/runtime.h"
#include "picture_support.h"
#include "support/async_ender.h"
#include "support/event_debugger.h"
#include "support/programs.h"

namespace korva::test {
namespace {

constexpr uint32_t kRed = 0xF80000, kGreen = 0x00FC00, kBlue = 0x0000F8, kYellow = 0xF8FC00, kWhite = 0xF8FCF8;
constexpr uint32_t kBackground = 0x000040;

uint32_t entry() { return linkedProgram("graphics"); }

class GraphicsProgram : public ::testing::Test {
 protected:
  ProgramRun run(char which, bool debug = false) { return runEntry(entry(), debug, std::string(1, which) + " " + dir.path()); }
  TempDir dir;
};

std::vector<std::string> logs(std::initializer_list<int> values) {
  std::vector<std::string> out;
  for (int v : values) out.push_back(std::to_string(v));
  return out;
}

// The lit (non-background) pixels inside a box, and whether any lies outside it.
struct Box {
  int left, top, right, bottom;
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

TEST_F(GraphicsProgram, RectanglesPlotsPixelsAndCopiesMatchAReferenceRasteriser) {
  ProgramRun r = run('s');
  ASSERT_EQ(r.logs.size(), 3u) << r.endedBy;
  EXPECT_EQ(r.logs[2], "1");
  Picture got = readBmp(dir.file("scene.bmp"));
  ASSERT_EQ(got.width, 160);
  ASSERT_EQ(got.height, 120);

  Picture want(160, 120, kBackground);
  want.fill(5, 5, 25, 15, kRed);
  want.outline(30, 5, 20, 10, kGreen);
  want.outline(55, 5, 1, 10, kGreen);
  want.fill(95, 0, 115, 30, kBlue, 90, 2, 110, 22);  // origin (100, 0), viewport (90, 2, 20, 20)
  want.plot(3, 30, kYellow);
  want.plot(159, 59, kYellow);
  want.plot(10, 30, 0x102030);
  want.plot(12, 30, 0x304050);
  want.plot(5, 35, 0x605040);
  want.copy(5, 5, 20, 10, 5, 40);
  want.copy(150, 50, 20, 20, 120, 40);
  want.copy(28, 3, 24, 14, 31, 5);
  want.at(4, 30) = want.at(3, 30);
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 160; ++x)
      ASSERT_EQ(got.at(x, y), want.at(x, y)) << "at " << x << ", " << y;
}

TEST_F(GraphicsProgram, LinesOvalsAndTextLandOnHandCheckedPixels) {
  ProgramRun r = run('s');
  ASSERT_EQ(r.logs.size(), 3u) << r.endedBy;
  const int textW = std::stoi(r.logs[0]), textH = std::stoi(r.logs[1]);
  Picture got = readBmp(dir.file("scene.bmp"));
  ASSERT_EQ(got.height, 120);
  auto lit = [&](int x, int y) { return got.at(x, y) != kBackground; };

  // Lines leave out their end point; a line to its own start draws nothing.
  for (int x = 0; x < 3; ++x) EXPECT_EQ(got.at(x, 70), kWhite) << x;
  EXPECT_FALSE(lit(3, 70));
  EXPECT_FALSE(lit(10, 72));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(got.at(20 + i, 72 + i), kWhite) << i;
  EXPECT_FALSE(lit(29, 81));
  for (int y = 72; y < 80; ++y) EXPECT_EQ(got.at(40, y), kWhite) << y;
  EXPECT_FALSE(lit(40, 80));
  // A shallow line: one pixel per column, within half a pixel of the true line.
  for (int x = 50; x < 58; ++x) {
    int count = 0;
    for (int y = 84; y < 92; ++y)
      if (lit(x, y)) {
        ++count;
        EXPECT_LE(std::abs(y - (90 - (x - 50) * 0.5)), 0.5) << x << ", " << y;
      }
    EXPECT_EQ(count, 1) << x;
  }
  EXPECT_FALSE(lit(58, 86));

  // The filled oval: one unbroken run per row, full width in the middle rows, the same
  // width in rows mirrored about the middle, empty corners.
  std::vector<int> widths;
  for (int y = 72; y < 84; ++y) {
    int first = -1, last = -1;
    for (int x = 60; x < 80; ++x)
      if (lit(x, y)) {
        if (first < 0) first = x;
        last = x;
      }
    ASSERT_GE(first, 0) << "row " << y;
    for (int x = first; x <= last; ++x) EXPECT_EQ(got.at(x, y), kWhite) << x << ", " << y;
    widths.push_back(last - first + 1);
  }
  EXPECT_EQ(widths[5], 20);
  EXPECT_EQ(widths[6], 20);
  for (size_t i = 0; i < widths.size(); ++i) EXPECT_EQ(widths[i], widths[widths.size() - 1 - i]) << i;
  EXPECT_LT(widths[0], 20);

  // The outlined oval: inside the filled one's shape (drawn 30 pixels to the left), hollow,
  // touching all four sides of its box, and in one piece.
  std::vector<std::pair<int, int>> outline;
  for (int y = 72; y < 84; ++y)
    for (int x = 90; x < 110; ++x)
      if (lit(x, y)) {
        outline.push_back({x, y});
        EXPECT_TRUE(lit(x - 30, y)) << x << ", " << y;
      }
  EXPECT_FALSE(lit(100, 78));
  auto any = [&](auto pred) { return std::any_of(outline.begin(), outline.end(), pred); };
  EXPECT_TRUE(any([](auto p) { return p.first == 90; }));
  EXPECT_TRUE(any([](auto p) { return p.first == 109; }));
  EXPECT_TRUE(any([](auto p) { return p.second == 72; }));
  EXPECT_TRUE(any([](auto p) { return p.second == 83; }));
  std::vector<bool> seen(outline.size());
  std::vector<size_t> todo{0};
  seen[0] = true;
  size_t reached = 0;
  while (!todo.empty()) {
    auto [x, y] = outline[todo.back()];
    todo.pop_back();
    ++reached;
    for (size_t j = 0; j < outline.size(); ++j)
      if (!seen[j] && std::abs(outline[j].first - x) <= 1 && std::abs(outline[j].second - y) <= 1) {
        seen[j] = true;
        todo.push_back(j);
      }
  }
  EXPECT_EQ(reached, outline.size()) << "the outline has gaps";

  // Text: white pixels only, all inside its measured box.
  Box text{110, 72, 110 + textW, 72 + textH};
  int textPixels = 0;
  for (int y = 60; y < 120; ++y)
    for (int x = 110; x < 160; ++x)
      if (lit(x, y)) {
        ++textPixels;
        EXPECT_TRUE(text.contains(x, y)) << x << ", " << y;
        EXPECT_EQ(got.at(x, y), kWhite);
      }
  EXPECT_GT(textPixels, textW);

  // Nothing else was drawn in the lower half.
  const Box drawn[] = {{0, 70, 3, 71}, {20, 72, 29, 81}, {40, 72, 41, 80}, {50, 86, 58, 91}, {60, 72, 80, 84}, {90, 72, 110, 84}, text};
  for (int y = 70; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      if (std::none_of(std::begin(drawn), std::end(drawn), [&](const Box& b) { return b.contains(x, y); })) {
        ASSERT_FALSE(lit(x, y)) << x << ", " << y;
      }
}

TEST_F(GraphicsProgram, CentredTextMovesByHalfItsSizeRoundedTowardZero) {
  ProgramRun r = run('k');
  ASSERT_EQ(r.logs.size(), 4u) << r.endedBy;
  if (r.logs[0] != "1") GTEST_SKIP() << "no font here has an odd width and height";
  const int w = std::stoi(r.logs[1]), h = std::stoi(r.logs[2]);
  ASSERT_EQ(r.logs[3], "1");
  Picture got = readBmp(dir.file("centred.bmp"));
  // The same glyph, drawn centred and plain, compared over the whole band.
  auto same = [&](int dx, int dy, Box centred) {
    for (int y = centred.top; y < centred.bottom; ++y)
      for (int x = centred.left; x < centred.right; ++x)
        if (got.inside(x + dx, y + dy) && got.at(x, y) != got.at(x + dx, y + dy)) return false;
    return true;
  };
  // A 7-pixel text goes 3 pixels left, not 4.
  EXPECT_TRUE(same(w / 2, 30, {0, 0, 100, 30})) << "width " << w;
  EXPECT_FALSE(same(w / 2 + 1, 30, {0, 0, 100, 30}));
  EXPECT_TRUE(same(0, 40 + h / 2, {0, 100, 100, 120 + h})) << "height " << h;
  EXPECT_FALSE(same(0, 41 + h / 2, {0, 100, 100, 120 + h}));
}

TEST_F(GraphicsProgram, LoadBufferScalesOverTheWholeBufferAndKeepsTheOrigin) {
  // 80 x 60 onto 400 x 300: every fifth pixel's centre falls on a source pixel's centre,
  // where the bilinear filter gives the source colour exactly.
  auto colour = [](int x, int y) { return uint32_t((x * 24) & 0xF8) << 16 | uint32_t((y * 12) & 0xFC) << 8 | ((x + y) * 8 & 0xF8); };
  Picture grid(80, 60, 0);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) grid.at(x, y) = colour(x, y);
  writePng(grid, dir.file("grid.png"));

  ProgramRun r = run('l');
  // A file that cannot be read gives 0 and leaves the buffer as it was.
  EXPECT_EQ(r.logs, logs({0, int(kRed), 1, 1})) << r.endedBy;
  Picture got = readBmp(dir.file("loaded.bmp"));
  ASSERT_EQ(got.width, 400);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_EQ(got.at(5 * x + 2, 5 * y + 2), colour(x, y)) << x << ", " << y;
  EXPECT_EQ(got.at(7, 9), kYellow) << "the origin (7, 9) set before LoadBuffer still applies";
}

TEST_F(GraphicsProgram, SetBufferResetsOriginAndViewport) {
  EXPECT_EQ(run('b').logs, logs({1, int(kRed), int(kRed), 0}));
}

TEST_F(GraphicsProgram, ColourComponentsAreNotMasked) {
  // Color 256, 0, 0 is 0x01000000: red 0.
  EXPECT_EQ(run('c').logs, logs({0, 1, 2, 3, 248, int(kGreen)}));
}

TEST_F(GraphicsProgram, ModeQueries) {
  // Depth 0 matches no mode, and no mode is 3D.
  EXPECT_EQ(run('m').logs, logs({1, 1, 1, 0, 0, 1, 0}));
}

TEST_F(GraphicsProgram, FontCommands) {
  // FontWidth is always 8; the current font goes back to the default when freed; a
  // height past what fonts allow gives 0.
  EXPECT_EQ(run('f').logs, logs({1, 8, 20, 0, 20, 1, 12, 0}));
}

TEST_F(GraphicsProgram, EndGraphicsRestoresTheDefaultWindowOnlyAfterGraphics) {
  EXPECT_EQ(run('e').logs, logs({400, 200, 150, 400, 300}));
}

TEST_F(GraphicsProgram, FastPixelsWorkOnlyOnALockedBufferAndInsideIt) {
  EXPECT_EQ(run('p').logs, logs({0, 0xF8, 1, 0xF8}));
}

TEST_F(GraphicsProgram, SaveBufferToAnUnwritablePlaceGivesZero) { EXPECT_EQ(run('u').logs, logs({0})); }

TEST_F(GraphicsProgram, IllegalGraphicsModeRaisesWhateverTheDebugFlag) {
  for (bool debug : {false, true}) {
    ProgramRun r = run('4', debug);
    EXPECT_EQ(r.endedBy, "Illegal Graphics mode") << debug;
    EXPECT_TRUE(r.logs.empty());
  }
}

TEST_F(GraphicsProgram, ModeZeroIsAWindowUnderTheDebuggerAndFullScreenOtherwise) {
  EXPECT_EQ(run('0', true).logs, logs({64}));
  // No display offers a 64 x 48 full-screen mode.
  EXPECT_EQ(run('0', false).endedBy, "Unable to set graphics mode");
}

TEST_F(GraphicsProgram, BadHandlesAndIndexesRaiseOnlyWithTheDebugFlag) {
  const std::pair<char, const char*> cases[] = {
      {'B', "Buffer does not exist"},         {'Q', "Buffer does not exist"},
      {'R', "Buffer does not exist"},         {'L', "Buffer does not exist"},
      {'S', "Buffer does not exist"},         {'K', "Buffer does not exist"},
      {'O', "Buffer does not exist"},         {'F', "Font does not exist"},
      {'X', "Font does not exist"},           {'P', "Font does not exist"},
      {'D', "Illegal graphics driver index"}, {'N', "Illegal graphics driver index"},
      {'M', "Illegal graphics mode index"},   {'W', "Illegal graphics mode index"},
  };
  for (auto [which, message] : cases) {
    ProgramRun checked = run(which, true);
    EXPECT_EQ(checked.endedBy, message) << which;
    ProgramRun trusted = run(which, false);
    EXPECT_TRUE(trusted.errors.empty()) << which << ": " << trusted.endedBy;
    ASSERT_FALSE(trusted.logs.empty()) << which;
    EXPECT_EQ(trusted.logs.back(), "went on") << which;
  }
}

TEST_F(GraphicsProgram, FlipAndVWaitEndQuietlyWhenTheProgramIsToldToEnd) {
  for (char which : {'x', 'v'}) {
    EventDebugger dbg;
    AsyncEnder ender;
    runtime().execute(entry(), (std::string(1, which) + " " + dir.path()).c_str(), &dbg, 0, 0);
    ender.finish();
    EXPECT_TRUE(dbg.only("error").empty()) << which;
  }
}

}  // namespace
}  // namespace korva::test
