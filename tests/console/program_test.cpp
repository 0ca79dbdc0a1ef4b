// The console from a compiled program (console.c): the screen is saved with SaveBuffer and
// read back here; Input's keys are laid down on the console's clock.
#include <gtest/gtest.h>

#include "console_test_support.h"
#include "graphics/picture_support.h"
#include "support/programs.h"

namespace korva::test {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kClear = 0x000040;

uint32_t entry() { return linkedProgram("console"); }

class ConsoleProgram : public ::testing::Test {
 protected:
  ProgramRun run(char which) { return runEntry(entry(), false, std::string(1, which) + " " + dir.path()); }
  TempDir dir;
};

TEST_F(ConsoleProgram, PrintOnTheLastLineScrollsByExactlyTheOverflow) {
  ProgramRun r = run('s');
  ASSERT_EQ(r.logs.size(), 4u) << r.endedBy;
  ASSERT_EQ(r.logs[2], "1");
  ASSERT_EQ(r.logs[3], "1");
  const int h = std::stoi(r.logs[0]), dotWidth = std::stoi(r.logs[1]), overflow = 5;
  Picture before = readBmp(dir.file("before.bmp")), after = readBmp(dir.file("after.bmp"));
  ASSERT_EQ(after.width, 400);
  ASSERT_EQ(after.height, 300);
  auto inText = [&](int x, int y) { return x < dotWidth && y >= 300 - h; };
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      if (inText(x, y)) {
        const uint32_t c = after.at(x, y);
        const uint32_t under = y < 300 - overflow ? before.at(x, y + overflow) : kClear;
        ASSERT_TRUE(c == kWhite || c == under) << x << ", " << y;
      } else if (y < 300 - overflow) {
        ASSERT_EQ(after.at(x, y), before.at(x, y + overflow)) << x << ", " << y;
      } else {
        ASSERT_EQ(after.at(x, y), kClear) << x << ", " << y;
      }
    }
}

TEST_F(ConsoleProgram, LocateBeyondTheCornerPutsTheTextOnTheLastLine) {
  ProgramRun r = run('l');
  ASSERT_EQ(r.logs.size(), 3u) << r.endedBy;
  ASSERT_EQ(r.logs[2], "1");
  const int h = std::stoi(r.logs[0]), w = std::stoi(r.logs[1]);
  Picture got = readBmp(dir.file("locate.bmp"));
  int ink = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x)
      if (got.at(x, y) != 0) {
        ++ink;
        ASSERT_TRUE(x < w && y >= 300 - h) << x << ", " << y;
      }
  EXPECT_GT(ink, 0);
}

TEST_F(ConsoleProgram, InputEditsTheLineWithTheKeysTyped) {
  ScriptedClock clock;
  clock.type(0, "abc");
  clock.tap(0, SDL_SCANCODE_ESCAPE);
  clock.type(100, "wrld");
  clock.key(200, SDL_SCANCODE_LSHIFT, true);
  clock.tap(200, SDL_SCANCODE_1);  // "!"
  clock.key(250, SDL_SCANCODE_LSHIFT, false);
  for (int i = 0; i < 4; ++i) clock.tap(300, SDL_SCANCODE_LEFT);
  clock.type(300, "o");                    // "wo|rld!"
  clock.tap(400, SDL_SCANCODE_HOME);
  clock.tap(400, SDL_SCANCODE_DELETE);     // "|orld!"
  clock.type(400, "w");                    // "w|orld!"
  clock.tap(500, SDL_SCANCODE_RIGHT);
  clock.tap(500, SDL_SCANCODE_BACKSPACE);  // "w|rld!"
  clock.type(500, "o");
  clock.tap(500, SDL_SCANCODE_TAB);        // outside the font: ignored
  clock.tap(600, SDL_SCANCODE_END);
  clock.hold(1000, 1400, SDL_SCANCODE_1);  // "1" at 1000, then at 1300, 1340 and 1380
  clock.tap(2000, SDL_SCANCODE_RETURN);
  ProgramRun r = run('i');
  ASSERT_EQ(r.logs.size(), 3u) << r.endedBy;
  EXPECT_EQ(r.logs[0], "world!1111");
  ASSERT_EQ(r.logs[2], "1");

  // The line as Input left it is what printing the same text gives.
  const int h = std::stoi(r.logs[1]);
  Picture got = readBmp(dir.file("input.bmp"));
  int ink = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 400; ++x) {
      ASSERT_EQ(got.at(x, h + y), got.at(x, 2 * h + y)) << x << ", " << y;
      ink += got.at(x, h + y) == kWhite;
    }
  EXPECT_GT(ink, 0);
  for (int y = 3 * h; y < 300; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(got.at(x, y), 0u) << x << ", " << y;
}

TEST_F(ConsoleProgram, ClosingTheWindowDuringInputEndsWithoutAMessage) {
  ScriptedClock clock;
  clock.type(0, "abc");
  clock.at(300, pushQuit);
  ProgramRun r = run('c');
  EXPECT_EQ(r.logs, std::vector<std::string>{"waiting"});
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.endedBy, "");
}

}  // namespace
}  // namespace korva::test
