// The demo game's committed assets are what their generators make: a generator changed
// without its asset made again (or the other way round) is caught here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/png_pixels.h"
#include "support/process.h"

namespace korva {
namespace {

const std::string kAssets = KORVA_SOURCE_DIR "/examples/game/assets/";

std::string bytes(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

TEST(DemoAssets, CommittedFilesAreWhatTheGeneratorsMake) {
  const std::string dir = test::tempDir() + "/assets";
  std::filesystem::create_directories(dir);
  ASSERT_EQ(test::runCommand(std::string(MAKE_SPRITES) + " " + dir + "/sprites.png").exitCode, 0);
  ASSERT_EQ(test::runCommand(std::string(MAKE_SOUNDS) + " " + dir).exitCode, 0);
  ASSERT_EQ(test::runCommand(std::string(MAKE_MUSIC) + " " + dir + "/tune.mod").exitCode, 0);

  int w = 0, h = 0, cw = 0, ch = 0;
  auto made = test::pngPixels(dir + "/sprites.png", &w, &h);
  auto committed = test::pngPixels(kAssets + "sprites.png", &cw, &ch);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 96);
  EXPECT_EQ(cw, w);
  EXPECT_EQ(ch, h);
  EXPECT_TRUE(made == committed) << "sprites.png differs from what make_sprites draws";
  for (const char* name : {"shot.wav", "boom.wav", "gem.wav", "tune.mod"}) {
    std::string fresh = bytes(dir + "/" + name);
    EXPECT_GT(fresh.size(), 1000u) << name;
    EXPECT_TRUE(fresh == bytes(kAssets + name)) << name << " differs from what its generator makes";
  }
}

TEST(DemoAssets, GeneratorsRefuseAWrongCommandLineAndAnUnwritablePath) {
  for (const char* tool : {MAKE_SPRITES, MAKE_SOUNDS, MAKE_MUSIC}) {
    EXPECT_EQ(test::runCommand(tool).exitCode, 2) << tool;
    EXPECT_EQ(test::runCommand(std::string(tool) + " /nonexistent/dir/out").exitCode, 1) << tool;
  }
}

}  // namespace
}  // namespace korva
