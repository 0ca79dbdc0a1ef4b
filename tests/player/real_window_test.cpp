// The player's window on a real X server, with no window manager and with one (openbox):
// the korva executable runs a 320x240 game (player_window.c), xdotool plays, and what X
// shows is read back pixel by pixel.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "player/player_pattern.h"
#include "support/process.h"
#include "window/picture_area.h"
#include "x_screen.h"

namespace korva {
namespace {

namespace fs = std::filesystem;
using test::Grab;
using test::XScreen;

constexpr int kGameW = 320, kGameH = 240;
constexpr int kSquare = 16;  // the game's top-left square changes colour every frame

uint32_t gamePixel(int x, int y) { return static_cast<uint32_t>(playerPattern(x, y)) & 0xFFFFFF; }

// The first window pixel that is not what the game shows in the area (black outside it,
// each game pixel as a block inside), or "" when all are.
std::string pictureDifference(const Grab& g, const PictureArea& area) {
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const bool inside = x >= area.x && x < area.x + area.w && y >= area.y && y < area.y + area.h;
      uint32_t expected = 0;
      if (inside) {
        const int gx = (x - area.x) * kGameW / area.w, gy = (y - area.y) * kGameH / area.h;
        if (gx < kSquare && gy < kSquare) continue;
        expected = gamePixel(gx, gy);
      }
      if (g.at(x, y) != expected) {
        char text[128];
        std::snprintf(text, sizeof text, "window pixel %d,%d is %06x, expected %06x", x, y, g.at(x, y), expected);
        return text;
      }
    }
  return "";
}

class PlayerWindow : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!test::haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    if (!test::haveTool("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    if (GetParam() && !test::haveTool("openbox")) GTEST_SKIP() << "openbox is not installed (scripts/setup --tests)";
  }
  void TearDown() override {
    if (game_ > 0) {
      kill(game_, SIGTERM);
      test::waitFor(game_, std::chrono::seconds(10));
    }
    screen_.reset();
  }

  // Starts the game with the player's options on a screen of that size and waits for its
  // window.
  void start(const std::string& screen, const std::vector<std::string>& options) {
    screen_ = std::make_unique<XScreen>(screen, GetParam());
    ASSERT_EQ(screen_->problem(), "");
    home_ = test::tempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(home_);
    fs::create_directories(home_);
    log_ = home_ + "/game.log";
    std::vector<std::string> argv = {test::buildDir() + "/korva", "--debug"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(test::programPath("player_window"));
    game_ = test::spawn(argv,
                        {"DISPLAY=" + screen_->display(), "SDL_VIDEODRIVER=x11", "SDL_RENDER_DRIVER=software",
                         "SDL_AUDIODRIVER=dummy", "HOME=" + home_, "XDG_CONFIG_HOME=" + home_ + "/.config",
                         "ASAN_OPTIONS=detect_leaks=0"},
                        log_);
    ASSERT_GT(game_, 0);
    ASSERT_TRUE(test::awaitInFile(log_, "ready\n")) << test::slurp(log_);
    ASSERT_TRUE(XScreen::await([&] { return (window_ = screen_->runtimeWindow()) != 0; }));
  }

  // Waits until the window is w x h and shows the game in the area; the last difference.
  std::string awaitPicture(int w, int h, const PictureArea& area) {
    std::string difference = "never read";
    XScreen::await([&] {
      test::Geometry g = screen_->geometry(window_);
      if (g.width != w || g.height != h) {
        difference = "window is " + std::to_string(g.width) + "x" + std::to_string(g.height);
        return false;
      }
      difference = pictureDifference(screen_->grab(window_), area);
      return difference.empty();
    });
    return difference;
  }

  bool keys(const std::string& names) {
    return screen_->xdotool("windowfocus --sync " + std::to_string(window_) + " key --delay 50 " + names);
  }

  // Clicks at a window point and waits for the game to say which pixel it got.
  void expectClick(int x, int y, int gameX, int gameY) {
    const std::string said = "click " + std::to_string(gameX) + "," + std::to_string(gameY) + " width 320\n";
    const size_t before = count(said);
    ASSERT_TRUE(screen_->xdotool("mousemove --window " + std::to_string(window_) + " " + std::to_string(x) + " " +
                                 std::to_string(y) + " click 1"));
    EXPECT_TRUE(XScreen::await([&] { return count(said) > before; }))
        << "at " << x << "," << y << " expected " << said << test::slurp(log_);
  }

  size_t count(const std::string& text) const {
    const std::string log = test::slurp(log_);
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  std::unique_ptr<XScreen> screen_;
  std::string home_, log_;
  pid_t game_ = -1;
  unsigned long window_ = 0;
};

TEST_P(PlayerWindow, ScaleThreeShowsEachGamePixelAsAThreeByThreeBlock) {
  ASSERT_NO_FATAL_FAILURE(start("1280x1024", {"--scale", "3"}));
  EXPECT_EQ(awaitPicture(960, 720, {0, 0, 960, 720}), "");
}

TEST_P(PlayerWindow, AResizeToAnOddSizeLetterboxesAtAWholeScale) {
  ASSERT_NO_FATAL_FAILURE(start("1280x1024", {"--scale", "2"}));
  ASSERT_EQ(awaitPicture(640, 480, {0, 0, 640, 480}), "");
  ASSERT_TRUE(screen_->xdotool("windowsize " + std::to_string(window_) + " 1001 757"));
  EXPECT_EQ(awaitPicture(1001, 757, {20, 18, 960, 720}), "");
}

TEST_P(PlayerWindow, FullScreenFillsTheDisplayAtScaleFourWithBorders) {
  ASSERT_NO_FATAL_FAILURE(start("1920x1080", {"--fullscreen"}));
  EXPECT_EQ(awaitPicture(1920, 1080, {320, 60, 1280, 960}), "");
  test::Geometry g = screen_->geometry(window_);
  EXPECT_EQ(g.x, 0);
  EXPECT_EQ(g.y, 0);
}

TEST_P(PlayerWindow, AltEnterTogglesWhileTheGameDrawsOnAndNeverSeesTheKey) {
  ASSERT_NO_FATAL_FAILURE(start("1920x1080", {"--scale", "2"}));
  ASSERT_EQ(awaitPicture(640, 480, {0, 0, 640, 480}), "");
  ASSERT_TRUE(keys("alt+Return"));
  EXPECT_EQ(awaitPicture(1920, 1080, {320, 60, 1280, 960}), "");
  // The game goes on drawing: its square shows both of its colours.
  bool orange = false, blue = false;
  EXPECT_TRUE(XScreen::await([&] {
    Grab g = screen_->grab(window_);
    if (g.width != 1920) return false;
    orange = orange || g.at(330, 70) == 0xFF8000;
    blue = blue || g.at(330, 70) == 0x0080FF;
    return orange && blue;
  }));
  expectClick(960, 540, 160, 120);
  ASSERT_TRUE(keys("alt+Return"));
  EXPECT_EQ(awaitPicture(640, 480, {0, 0, 640, 480}), "");
  expectClick(10, 10, 5, 5);
  const std::string log = test::slurp(log_);
  EXPECT_EQ(log.find("key 28"), std::string::npos) << log;
  EXPECT_EQ(count("key 56,0 width 320\n"), 2u) << log;  // Alt itself is the game's
  EXPECT_EQ(test::slurp(home_ + "/.config/korva/player_window.conf"), "fullscreen=0\n");
}

TEST_P(PlayerWindow, ClicksReadBackAsGamePixelsUnderEveryScaleAndBorder) {
  ASSERT_NO_FATAL_FAILURE(start("1920x1080", {"--scale", "3"}));
  ASSERT_EQ(awaitPicture(960, 720, {0, 0, 960, 720}), "");
  expectClick(0, 0, 0, 0);
  expectClick(959, 719, 319, 239);
  expectClick(100, 50, 33, 16);
  ASSERT_TRUE(screen_->xdotool("windowsize " + std::to_string(window_) + " 1001 757"));
  ASSERT_EQ(awaitPicture(1001, 757, {20, 18, 960, 720}), "");
  expectClick(5, 5, 0, 0);  // on the border: the picture's edge
  expectClick(1000, 756, 319, 239);
  expectClick(20 + 3 * 7 + 2, 18 + 3 * 9 + 1, 7, 9);
  ASSERT_TRUE(keys("alt+Return"));
  ASSERT_EQ(awaitPicture(1920, 1080, {320, 60, 1280, 960}), "");
  expectClick(10, 500, 0, 110);
  expectClick(1919, 1079, 319, 239);
  expectClick(320 + 4 * 100 + 3, 60 + 4 * 50, 100, 50);
  // MoveMouse puts the pointer on the pixel it names, wherever that is shown.
  ASSERT_TRUE(keys("m"));
  ASSERT_TRUE(test::awaitInFile(log_, "moved 100,50 width 320\n")) << test::slurp(log_);
  int x = -1, y = -1;
  EXPECT_TRUE(XScreen::await([&] { return screen_->pointer(window_, x, y) && x == 720 && y == 260; }))
      << x << "," << y;
}

TEST_P(PlayerWindow, AltF12SavesThePresentedFrameWhilePlainF12IsTheGamesKey) {
  ASSERT_NO_FATAL_FAILURE(start("1280x1024", {"--scale", "2"}));
  ASSERT_EQ(awaitPicture(640, 480, {0, 0, 640, 480}), "");
  ASSERT_TRUE(keys("alt+F12"));
  const std::string folder = home_ + "/Pictures/Korva";
  std::string shot;
  ASSERT_TRUE(XScreen::await([&] {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("player_window-", 0) == 0 && name.size() > 6 && name.substr(name.size() - 6) == "-1.png")
        shot = entry.path().string();
    }
    return !shot.empty() && fs::file_size(shot, ec) > 0;
  })) << test::slurp(log_);
  SDL_Surface* loaded = IMG_Load(shot.c_str());
  ASSERT_NE(loaded, nullptr) << IMG_GetError();
  SDL_Surface* png = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
  SDL_FreeSurface(loaded);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->w, kGameW);
  EXPECT_EQ(png->h, kGameH);
  const Grab shown = screen_->grab(window_);
  ASSERT_EQ(shown.width, 640);
  int differences = 0;
  for (int y = 0; y < kGameH; ++y)
    for (int x = 0; x < kGameW; ++x) {
      const uint32_t saved = static_cast<const uint32_t*>(png->pixels)[y * png->pitch / 4 + x] & 0xFFFFFF;
      if (x < kSquare && y < kSquare) {
        differences += saved != 0xFF8000 && saved != 0x0080FF;
      } else {
        differences += saved != gamePixel(x, y) || saved != shown.at(2 * x + 1, 2 * y + 1);
      }
    }
  SDL_FreeSurface(png);
  EXPECT_EQ(differences, 0);
  ASSERT_TRUE(keys("F12"));
  EXPECT_TRUE(test::awaitInFile(log_, "key 88,0 width 320\n")) << test::slurp(log_);
  EXPECT_EQ(count("key 88"), 1u);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, PlayerWindow, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Openbox" : "None";
                         });

}  // namespace
}  // namespace korva
