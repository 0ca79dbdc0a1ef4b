// The hot keys on a window of the off-screen driver: what they do to the window and its
// files, and that the program hears nothing of them while its own keys still reach it.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "support/process.h"
#include "support/scoped_env.h"
#include "support/window_fixture.h"
#include "window/user_files.h"

namespace korva {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

void pushKey(uint32_t type, SDL_Scancode scancode, uint16_t mod = 0) {
  SDL_Event event{};
  event.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = mod;
  SDL_PushEvent(&event);
}

void pushChord(SDL_Scancode key) {
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
  pushKey(SDL_KEYDOWN, key, KMOD_LALT);
  pushKey(SDL_KEYUP, key, KMOD_LALT);
  pushKey(SDL_KEYUP, SDL_SCANCODE_LALT);
}

std::string today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// A home of its own and a game's name, set before the window reads them.
class HotKeyWindow : public testing::RecordedWindowTest {
 protected:
  void SetUp() override {
    home_ = test::tempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(home_);
    fs::create_directories(home_);
    env_.push_back(std::make_unique<ScopedEnv>("HOME", home_.c_str()));
    env_.push_back(std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", nullptr));
    env_.push_back(std::make_unique<ScopedEnv>("KORVA_GAME", "hot keys"));
    env_.push_back(std::make_unique<ScopedEnv>("KORVA_FULLSCREEN", nullptr));
    RecordedWindowTest::SetUp();
    input_ = std::make_unique<testing::FakeInput>(log_);
    window->setInputSink(input_.get());
  }
  void TearDown() override {
    if (window) window->setInputSink(nullptr);
    RecordedWindowTest::TearDown();
    env_.clear();
  }

  std::string home_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
  testing::Log log_;
  std::unique_ptr<testing::FakeInput> input_;
};

TEST_F(HotKeyWindow, AltEnterTogglesTheDesktopsFullScreenUnnoticedAndRemembersIt) {
  GraphicsDevice* graphics = window->openGraphics(64, 48, 0, 0, RuntimeWindow::kWindowedGraphics);
  ASSERT_NE(graphics, nullptr);
  Canvas* back = graphics->backBuffer();
  const std::string settings = home_ + "/.config/korva/hot_keys.conf";
  for (bool expected : {true, false}) {
    SCOPED_TRACE(expected);
    pushChord(SDL_SCANCODE_RETURN);
    ASSERT_TRUE(run->poll());
    EXPECT_EQ(window->desktopFullScreen(), expected);
    EXPECT_EQ(window->displayState(), 2);
    EXPECT_EQ(window->graphics(), graphics);
    EXPECT_EQ(graphics->backBuffer(), back);
    EXPECT_EQ(graphics->width(), 64);
    EXPECT_EQ(readSettings(settings)["fullscreen"], expected ? "1" : "0");
    // Alt is the program's; Enter never reached it.
    EXPECT_EQ(log_, (testing::Log{"press 56", "release 56"}));
    log_.clear();
  }
  window->closeGraphics(graphics);
}

TEST_F(HotKeyWindow, TheRememberedChoiceOpensTheNextRunAndAVariableOverridesIt) {
  ASSERT_TRUE(writeSettings(home_ + "/.config/korva/hot_keys.conf", {{"fullscreen", "1"}}));
  session.reset();
  session = std::make_unique<test::TestRun>(&debugger);
  window = session->window.get();
  run = session->run.get();
  EXPECT_TRUE(window->desktopFullScreen());
  session.reset();
  ScopedEnv windowed("KORVA_FULLSCREEN", "0");
  session = std::make_unique<test::TestRun>(&debugger);
  window = session->window.get();
  run = session->run.get();
  EXPECT_FALSE(window->desktopFullScreen());
  window->setInputSink(input_.get());
}

TEST_F(HotKeyWindow, ScreenshotKeysSaveThePresentedPictureAndPlainF12IsTheProgramsKey) {
  GraphicsDevice* graphics = window->openGraphics(40, 30, 0, 0, RuntimeWindow::kWindowedGraphics);
  ASSERT_NE(graphics, nullptr);
  Canvas* back = graphics->backBuffer();
  back->setColor(0x102030);
  back->rect(0, 0, 40, 30, true);
  back->setColor(0xFF8000);
  back->rect(5, 6, 7, 8, true);
  graphics->flip(false);
  // Drawn after the flip: not what the player sees, so not in the screenshot.
  back->setColor(0x00FF00);
  back->rect(30, 20, 4, 4, true);

  pushChord(SDL_SCANCODE_F12);
  ASSERT_TRUE(run->poll());
  const std::string folder = home_ + "/Pictures/Korva";
  EXPECT_FALSE(fs::exists(folder + "/hot_keys-" + today() + "-1.png")) << "taken before the next present";
  graphics->flip(false);
  const std::string first = folder + "/hot_keys-" + today() + "-1.png";
  ASSERT_TRUE(fs::exists(first));
  SDL_Surface* saved = IMG_Load(first.c_str());
  ASSERT_NE(saved, nullptr);
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(saved, SDL_PIXELFORMAT_RGB888, 0);
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(rgb->w, 40);
  EXPECT_EQ(rgb->h, 30);
  auto at = [&](int x, int y) {
    return static_cast<const uint32_t*>(rgb->pixels)[y * rgb->pitch / 4 + x] & 0xFFFFFF;
  };
  EXPECT_EQ(at(0, 0), 0x102030u);
  EXPECT_EQ(at(8, 10), 0xFF8000u);
  EXPECT_EQ(at(31, 21), 0x00FF00u);
  SDL_FreeSurface(rgb);
  SDL_FreeSurface(saved);

  // Nothing drawn since the present: taken at once, under the next number.
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_PRINTSCREEN);
  pushKey(SDL_KEYUP, SDL_SCANCODE_PRINTSCREEN);
  ASSERT_TRUE(run->poll());
  EXPECT_TRUE(fs::exists(folder + "/hot_keys-" + today() + "-2.png"));
  SDL_Window* sdl = SDL_GetWindowFromID(window->windowId());
  EXPECT_NE(std::string(SDL_GetWindowTitle(sdl)).find("screenshot saved: Korva/hot_keys-"), std::string::npos)
      << SDL_GetWindowTitle(sdl);
  window->setTitle("My Game");  // the notice stays its time, then the program's title
  EXPECT_NE(std::string(SDL_GetWindowTitle(sdl)).find("screenshot saved"), std::string::npos);

  log_.clear();
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_F12);
  pushKey(SDL_KEYUP, SDL_SCANCODE_F12);
  ASSERT_TRUE(run->poll());
  EXPECT_EQ(log_, (testing::Log{"press 88", "release 88"}));
  EXPECT_FALSE(fs::exists(folder + "/hot_keys-" + today() + "-3.png"));
  window->closeGraphics(graphics);
}

}  // namespace
}  // namespace korva
