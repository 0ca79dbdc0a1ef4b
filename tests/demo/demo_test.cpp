// The demo game, played headless by the real executable with scripted input, as the README's
// main job and a game's CI run it: it starts, plays, keeps its high scores and ends cleanly.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support/demo_script.h"
#include "support/process.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

constexpr const char* kShortGame = test::kDemoShortGame;

struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
};

Picture readPng(const std::string& path) {
  Picture p;
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return p;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) return p;
  p.width = argb->w;
  p.height = argb->h;
  for (int y = 0; y < argb->h; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < argb->w; ++x) p.pixels.push_back(row[x] & 0xFFFFFF);
  }
  SDL_FreeSurface(argb);
  return p;
}

std::string slurp(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

std::vector<std::string> fileLines(const std::string& path) {
  std::vector<std::string> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // lines are written with CR LF
    out.push_back(line);
  }
  return out;
}

class DemoGame : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::tempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ + "/input.txt") << kShortGame;
  }
  // Plays the short game with a fixed random seed; a hung game is killed by timeout.
  test::ProcessResult play(const std::string& options) {
    return test::runCommand("timeout 60 " + test::buildDir() + "/korva --headless --debug --frames 240 --input " +
                            dir_ + "/input.txt " + options + " " + test::programPath("game") + " " +
                            KORVA_SOURCE_DIR "/examples/game/assets " + scores() + " 10");
  }
  std::string scores() const { return dir_ + "/scores.txt"; }
  std::string dir_;
};

TEST_F(DemoGame, PlaysWithScriptedInputSavesChangingScreenshotsAndEndsCleanly) {
  const std::string shots = dir_ + "/shots";
  auto r = play("--every 40 --screenshot " + shots);
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_NE(r.errors.find("240 frames presented, 6 screenshots written to " + shots + "; ended after 240 frames"),
            std::string::npos)
      << r.errors;
  // Sprites, sounds and the tune all loaded (the game logs what it could not load).
  EXPECT_EQ(r.errors.find("Could not"), std::string::npos) << r.errors;

  Picture previous;
  for (int frame = 40; frame <= 240; frame += 40) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    Picture p = readPng(shots + name);
    ASSERT_EQ(p.width, 640) << name;
    ASSERT_EQ(p.height, 480) << name;
    // Stars, sprites and text: a blank or single-colour frame has one or two colours.
    std::set<uint32_t> colours(p.pixels.begin(), p.pixels.end());
    EXPECT_GT(colours.size(), 20u) << name;
    if (!previous.pixels.empty()) {
      EXPECT_NE(p.pixels, previous.pixels) << name << " repeats the frame before";
    }
    previous = std::move(p);
  }
}

TEST_F(DemoGame, WritesTheHighScoreTableWithTheTypedName) {
  auto r = play("");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  auto lines = fileLines(scores());
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "KORVA ROCKS SCORES 1");
  int zed = -1;
  for (int i = 0; i < 5; ++i) {
    if (lines[1 + 2 * i] == "ZED") zed = i;
    if (i > 0) {
      EXPECT_GE(std::stoi(lines[2 * i]), std::stoi(lines[2 + 2 * i])) << "not highest first";
    }
  }
  ASSERT_GE(zed, 0) << "the typed name is not in the table";
  EXPECT_GT(std::stoi(lines[2 + 2 * zed]), 0);
}

TEST_F(DemoGame, CleansADamagedTable) {
  // Our header with a long name, a negative and a non-numeric score, out of order, one short.
  std::ofstream(scores()) << "KORVA ROCKS SCORES 1\nANAMEFARTOOLONGFORTHETABLE\n10\nBOB\n-7\nCAROL\n30\nDAN\nlots\n";
  auto r = play("");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  // Cleaned and in order, the missing fifth entry from the built-in table, the game's
  // score on top and the lowest of the two zeros gone.
  auto lines = fileLines(scores());
  ASSERT_EQ(lines.size(), 11u);
  const std::vector<std::string> rest(lines.begin() + 3, lines.end());
  EXPECT_EQ(lines[1], "ZED");
  EXPECT_GT(std::stoi(lines[2]), 250);
  EXPECT_EQ(rest, (std::vector<std::string>{"BARBARA", "250", "CAROL", "30", "ANAMEFARTO", "10", "BOB", "0"}));

}

TEST_F(DemoGame, LeavesAForeignFileAlone) {
  // The game's score would enter the table, but the file is not its own.
  const std::string foreign = "these are my notes\nplease keep them\n";
  std::ofstream(scores()) << foreign;
  auto r = play("");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_EQ(slurp(scores()), foreign);
}

}  // namespace
}  // namespace korva
