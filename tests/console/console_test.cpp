// The console commands called in this process, on a real window with the input and
// graphics modules started, keys pushed into SDL's queue on a scripted clock.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "basic/strings.h"
#include "console_test_support.h"
#include "graphics/commands/graphics_commands.h"
#include "graphics/console/console_commands.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "graphics/module/graphics_state.h"
#include "core/errors.h"
#include "app/module_list.h"
#include "support/run_fixture.h"

namespace korva {
namespace {

using graphics::state;
using test::ScriptedClock;

class Console : public ::testing::Test {
 protected:
  void SetUp() override {
    session = std::make_unique<test::TestRun>();
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    ASSERT_TRUE(session->start(input_module()));
    ASSERT_TRUE(session->start(graphics_module()));
  }
  void TearDown() override {
    setDebugFlag(false);
    session.reset();
  }

  Canvas& front() { return *state().device->frontBuffer(); }
  int fontHeight() { return state().font->height(); }
  int width(const std::string& text) { return static_cast<int>(state().font->stringWidth(text)); }
  uint32_t rgb(int x, int y) { return front().getPixel(x, y) & 0xFFFFFF; }
  // The colours found in a box of the front buffer.
  static std::set<uint32_t> colours(int x, int y, int w, int h, Canvas& canvas) {
    std::set<uint32_t> seen;
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) seen.insert(canvas.getPixel(i, j) & 0xFFFFFF);
    return seen;
  }
  std::set<uint32_t> colours(int x, int y, int w, int h) { return colours(x, y, w, h, front()); }
  std::string input(const std::string& prompt) {
    vxStr* line = graphics::Input(vxStrNew(prompt));
    std::string text(vxStrView(line));
    vxStrRelease(line);
    return text;
  }

  std::unique_ptr<test::TestRun> session;
  RuntimeWindow* window = nullptr;
};

TEST_F(Console, TheFirstConsoleCommandOpensTheProgramsOwnWindowOnce) {
  const int32_t defaultFront = graphics::FrontBuffer();
  state().inputLine = state().device->createCanvas(400, 24, 0);
  graphics::Print(vxStrNew("one"));
  EXPECT_TRUE(state().programSetGraphics);
  EXPECT_EQ(state().inputLine, nullptr) << "freed as every Graphics frees it";
  EXPECT_EQ(graphics::findBuffer(defaultFront), nullptr) << "the default window's buffers are gone";
  EXPECT_EQ(graphics::GraphicsWidth(), 400);
  EXPECT_EQ(graphics::GraphicsHeight(), 300);
  EXPECT_EQ(window->displayState(), 2);
  const int32_t ownFront = graphics::FrontBuffer();
  graphics::Print(vxStrNew("two"));
  EXPECT_EQ(graphics::FrontBuffer(), ownFront);
  EXPECT_EQ(state().cursorY, 2 * fontHeight());

  // Graphics set by the program are left alone.
  graphics::Graphics(200, 100, 0, 2);
  graphics::Write(vxStrNew("three"));
  EXPECT_EQ(graphics::GraphicsWidth(), 200);
}

TEST_F(Console, LocateClampsToTheFrontBuffer) {
  graphics::Print(vxStrNew(""));
  const struct {
    int x, y, wantX, wantY;
  } cases[] = {{-5, 100000, 0, 300}, {10, 20, 10, 20}, {400, 300, 400, 300}, {401, -1, 400, 0},
               {INT_MIN, INT_MAX, 0, 300}, {INT_MAX, INT_MIN, 400, 0}};
  for (auto c : cases) {
    graphics::Locate(c.x, c.y);
    EXPECT_EQ(state().cursorX, c.wantX) << c.x << ", " << c.y;
    EXPECT_EQ(state().cursorY, c.wantY) << c.x << ", " << c.y;
  }
}

TEST_F(Console, WriteMovesByTheWholeTextAndPrintStartsANewLine) {
  const std::string wide(120, 'W');
  graphics::Write(vxStrNew("ab"));
  EXPECT_EQ(state().cursorX, width("ab"));
  graphics::Write(vxStrNew(wide));
  ASSERT_GT(width(wide), 400);
  EXPECT_EQ(state().cursorX, width("ab") + width(wide)) << "clipped drawing, whole width";
  EXPECT_EQ(state().cursorY, 0);
  graphics::Print(vxStrNew("c"));
  EXPECT_EQ(state().cursorX, 0);
  EXPECT_EQ(state().cursorY, fontHeight());
  // Writing on and on never wraps the cursor round.
  state().cursorX = INT_MAX - 10;
  graphics::Write(vxStrNew(wide));
  EXPECT_EQ(state().cursorX, INT_MAX);
}

TEST_F(Console, ALineTallerThanTheBufferClearsItWhole) {
  graphics::Graphics(64, 8, 0, 2);
  graphics::ClsColor(0, 0, 64);
  front().setColor(0xFFFF0000);
  front().rect(0, 0, 64, 8, true);
  graphics::Locate(0, 8);
  graphics::Print(vxStrNew(""));
  EXPECT_EQ(colours(0, 0, 64, 8), std::set<uint32_t>{0x000040});
  EXPECT_EQ(state().cursorY, 8);
}

TEST_F(Console, DrawsOnTheFrontBufferWhateverIsCurrentAndPutsItsStateBack) {
  graphics::Print(vxStrNew(""));
  Canvas& f = front();
  f.setOrigin(50, 60);
  f.setViewport(100, 100, 10, 10);
  Canvas* frame = state().device->createCanvas(32, 32, 0);
  graphics::SetBuffer(graphics::bufferHandle(frame));
  graphics::Color(255, 0, 0);
  graphics::Print(vxStrNew("MMMM"));
  EXPECT_EQ(f.originX(), 50);
  EXPECT_EQ(f.originY(), 60);
  EXPECT_EQ(f.viewport(), (Rect{100, 100, 110, 110}));
  EXPECT_EQ(f.font(), state().font);
  EXPECT_EQ(colours(0, 0, 32, 32, *frame), std::set<uint32_t>{0}) << "the current buffer is untouched";
  f.setOrigin(0, 0);
  f.setViewport(0, 0, 400, 300);
  EXPECT_TRUE(colours(0, 0, width("MMMM"), fontHeight()).count(0xFF0000)) << "drawn at (0, 0), unclipped, in red";
}

TEST_F(Console, AHeldKeyRepeatsAfter280MsThenEvery40Ms) {
  // Looks come every 20 ms: the first repeat at the first look more than 280 ms after the
  // press, then one per 40 ms; a release is seen at the look it comes before.
  const struct {
    uint32_t heldFor;
    std::string line;
  } cases[] = {{250, "a"}, {300, "a"}, {310, "aa"}, {340, "aa"}, {350, "aaa"}, {450, "aaaaa"}};
  for (const auto& c : cases) {
    ScriptedClock clock;
    clock.hold(1000, 1000 + c.heldFor, SDL_SCANCODE_A);
    clock.tap(2000, SDL_SCANCODE_RETURN);
    EXPECT_EQ(input(""), c.line) << "held for " << c.heldFor << " ms";
  }
}

TEST_F(Console, TheCaretBlinksAsAnInvertedBlockEvery320Ms) {
  graphics::Graphics(400, 300, 0, 2);
  graphics::ClsColor(0, 0, 64);
  graphics::Cls();
  const int h = fontHeight();
  const uint32_t background = 0x000040, block = 0xFFFFBF, ink = 0xFFFFFF;
  ScriptedClock clock;
  clock.type(0, "mm");
  clock.tap(0, SDL_SCANCODE_LEFT);
  // The caret sits on the second "m": block with the letter in the clear colour, then the
  // plain letter, then the block again.
  const int caretX = width("m"), caretW = width("m");
  std::vector<std::set<uint32_t>> seen;
  for (uint32_t t : {100u, 420u, 700u}) clock.at(t, [&] { seen.push_back(colours(caretX, 0, caretW, h)); });
  clock.at(750, [&] { seen.push_back(colours(caretX + caretW, 0, 400 - caretX - caretW, h)); });
  clock.tap(800, SDL_SCANCODE_RETURN);
  EXPECT_EQ(input(""), "mm");
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], (std::set<uint32_t>{block, background}));
  EXPECT_EQ(seen[1], (std::set<uint32_t>{background, ink}));
  EXPECT_EQ(seen[2], seen[0]);
  EXPECT_EQ(seen[3], std::set<uint32_t>{background}) << "only the caret's box changes";
  EXPECT_EQ(colours(caretX, 0, caretW, h), seen[1]) << "the caret is gone after Enter";
}

TEST_F(Console, TheCaretAtTheEndIsAnXWide) {
  graphics::Graphics(400, 300, 0, 2);
  const int h = fontHeight();
  ScriptedClock clock;
  clock.type(0, "i");
  std::set<uint32_t> inBox, past;
  const int x = width("i"), w = width("X");
  clock.at(100, [&] {
    inBox = colours(x, 0, w, h);
    past = colours(x + w, 0, 400 - x - w, h);
  });
  clock.tap(200, SDL_SCANCODE_RETURN);
  input("");
  EXPECT_EQ(inBox, std::set<uint32_t>{0xFFFFFF});
  EXPECT_EQ(past, std::set<uint32_t>{0});
}

TEST_F(Console, TheInputLineCanvasIsKeptUntilItIsTooSmall) {
  ScriptedClock clock;
  clock.tap(0, SDL_SCANCODE_RETURN);
  input("");
  Canvas* kept = state().inputLine;
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->width(), 400);
  EXPECT_EQ(kept->height(), 2 * fontHeight());
  clock.tap(0, SDL_SCANCODE_RETURN);
  input("");
  EXPECT_EQ(state().inputLine, kept);

  const int32_t big = graphics::LoadFont(vxStrNew("courier"), 2 * fontHeight(), 0, 0, 0);
  ASSERT_NE(big, 0);
  graphics::SetFont(big);
  const size_t canvases = state().device->liveCanvases();
  clock.tap(0, SDL_SCANCODE_RETURN);
  input("");
  ASSERT_NE(state().inputLine, nullptr);
  EXPECT_EQ(state().inputLine->height(), 2 * fontHeight());
  EXPECT_EQ(state().device->liveCanvases(), canvases) << "the small one was freed";
}

}  // namespace
}  // namespace korva
