// The demo game's committed assets are what their generators make: a generator changed
// without its asset made again (or the other way round) is caught here.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/process.h"

namespace korva {
namespace {

const std::string kAssets = KORVA_SOURCE_DIR "/examples/game/assets/";

std::string bytes(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Pixels as ARGB words: PNG encoders may compress the same picture differently.
std::vector<uint32_t> pixels(const std::string& path, int* width, int* height) {
  std::vector<uint32_t> out;
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return out;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) return out;
  *width = argb->w;
  *height = argb->h;
  for (int y = 0; y < argb->h; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    out.insert(out.end(), row, row + argb->w);
  }
  SDL_FreeSurface(argb);
  return out;
}

TEST(DemoAssets, CommittedFilesAreWhatTheGeneratorsMake) {
  const std::string dir = test::tempDir() + "/assets";
  std::filesystem::create_directories(dir);
  ASSERT_EQ(test::runCommand(std::string(MAKE_SPRITES) + " " + dir + "/sprites.png").exitCode, 0);
  ASSERT_EQ(test::runCommand(std::string(MAKE_SOUNDS) + " " + dir).exitCode, 0);
  ASSERT_EQ(test::runCommand(std::string(MAKE_MUSIC) + " " + dir + "/tune.mod").exitCode, 0);

  int w = 0, h = 0, cw = 0, ch = 0;
  auto made = pixels(dir + "/sprites.png", &w, &h);
  auto committed = pixels(kAssets + "sprites.png", &cw, &ch);
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
