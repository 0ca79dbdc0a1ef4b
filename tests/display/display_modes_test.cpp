#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "render/display/display_drivers.h"
#include "render/display/display_formats.h"

namespace korva {
namespace {

TEST(DisplayModes, OnlySizedModesOf16_24And32BitsAreListedInOrder) {
  std::vector<ReportedMode> reported = {
      {640, 480, SDL_PIXELFORMAT_INDEX8, 60},  {640, 480, SDL_PIXELFORMAT_RGB332, 60},
      {800, 600, SDL_PIXELFORMAT_RGB565, 60},  {800, 600, SDL_PIXELFORMAT_RGB555, 75},
      {1024, 768, SDL_PIXELFORMAT_RGB24, 0},   {1024, 768, SDL_PIXELFORMAT_RGB888, 60},
      {640, 480, SDL_PIXELFORMAT_ARGB8888, 0}, {0, 0, SDL_PIXELFORMAT_RGB888, 0},
      {320, 200, SDL_PIXELFORMAT_UNKNOWN, 0},  {320, 240, SDL_PIXELFORMAT_YV12, 0},
  };
  GfxDriver driver;
  appendModes(driver, reported);
  struct Expected {
    int width, height, depth;
  } expected[] = {{800, 600, 16}, {800, 600, 16}, {1024, 768, 24}, {1024, 768, 32}, {640, 480, 32}};
  ASSERT_EQ(driver.modes.size(), std::size(expected));
  for (size_t i = 0; i < driver.modes.size(); ++i) {
    EXPECT_EQ(driver.modes[i].width, expected[i].width) << i;
    EXPECT_EQ(driver.modes[i].height, expected[i].height) << i;
    EXPECT_EQ(driver.modes[i].depth, expected[i].depth) << i;
  }
  EXPECT_EQ(driver.modes[1].refreshRate, 75);
}

TEST(DisplayModes, OutOfRangeIndexesFindNothing) {
  DisplayDrivers drivers;
  GfxDriver one;
  one.name = "Primary";
  one.modes.push_back(GfxMode{640, 480, 32, 60, SDL_PIXELFORMAT_RGB888});
  drivers.assign({one}, false);
  EXPECT_EQ(drivers.count(), 1);
  EXPECT_NE(drivers.mode(0, 0), nullptr);
  for (auto [d, m] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) EXPECT_EQ(drivers.mode(d, m), nullptr) << d << m;
  EXPECT_EQ(drivers.driver(1), nullptr);
}

TEST(DisplayFormats, DesktopFormatsGiveCanvasLayouts) {
  struct Case {
    uint32_t sdl;
    PixelLayout layout;
  } cases[] = {
      {SDL_PIXELFORMAT_RGB888, PixelLayout::xrgb8888()},   {SDL_PIXELFORMAT_ARGB8888, PixelLayout::xrgb8888()},
      {SDL_PIXELFORMAT_RGB565, PixelLayout::rgb565()},     {SDL_PIXELFORMAT_RGB555, PixelLayout::rgb555()},
      {SDL_PIXELFORMAT_INDEX8, PixelLayout::xrgb8888()},   {SDL_PIXELFORMAT_UNKNOWN, PixelLayout::xrgb8888()},
      {SDL_PIXELFORMAT_BGR888, {32, 0, 0xFF, 0xFF00, 0xFF0000}},
  };
  for (const Case& c : cases) EXPECT_EQ(desktopLayout(c.sdl), c.layout) << SDL_GetPixelFormatName(c.sdl);
  // Each depth's layout is shown through a texture of the same bytes.
  EXPECT_EQ(sdlFormatOf(layoutForDepth(16)), uint32_t{SDL_PIXELFORMAT_RGB565});
  EXPECT_EQ(sdlFormatOf(layoutForDepth(24)), uint32_t{SDL_PIXELFORMAT_BGR24});
  EXPECT_EQ(sdlFormatOf(layoutForDepth(32)), uint32_t{SDL_PIXELFORMAT_RGB888});
}

TEST(FullScreenDepth, ChoiceFollowsAcceptanceAndScore) {
  struct Case {
    const char* what;
    int requested;
    bool want3D;
    std::vector<int> accepted;
    int score16, score24, score32;
    int chosen;
  } cases[] = {
      {"a given depth is used when accepted", 24, false, {24}, 0, 0, 0, 24},
      {"a given depth that is refused fails", 24, false, {16, 32}, 4, 4, 4, 0},
      {"the first full score wins", 0, false, {16, 24, 32}, 3, 4, 4, 24},
      {"a refused depth is not scored", 0, false, {24, 32}, 4, 3, 4, 32},
      {"equal scores below 4 go to the lower depth", 0, false, {16, 32}, 2, 0, 2, 16},
      {"a higher score wins", 0, false, {16, 24, 32}, 1, 3, 2, 24},
      {"nothing scoring fails", 0, false, {16, 24, 32}, 0, 0, 0, 0},
      {"nothing accepted fails", 0, false, {}, 4, 4, 4, 0},
      {"depth 0 with 3D fails", 0, true, {16, 24, 32}, 4, 4, 4, 0},
  };
  for (const Case& c : cases) {
    auto accepts = [&](int depth) { return std::find(c.accepted.begin(), c.accepted.end(), depth) != c.accepted.end(); };
    auto score = [&](int depth) { return depth == 16 ? c.score16 : depth == 24 ? c.score24 : c.score32; };
    EXPECT_EQ(chooseFullScreenDepth(c.requested, c.want3D, accepts, score), c.chosen) << c.what;
  }
}

TEST(FullScreenDepth, ModeOfThatSizePrefersThatDepth) {
  GfxDriver driver;
  driver.modes = {{640, 480, 32, 60, SDL_PIXELFORMAT_RGB888},
                  {800, 600, 32, 60, SDL_PIXELFORMAT_RGB888},
                  {640, 480, 16, 60, SDL_PIXELFORMAT_RGB565}};
  EXPECT_EQ(fullScreenMode(driver, 640, 480, 16), &driver.modes[2]);
  EXPECT_EQ(fullScreenMode(driver, 640, 480, 24), &driver.modes[0]);
  EXPECT_EQ(fullScreenMode(driver, 1024, 768, 32), nullptr);
  EXPECT_EQ(blitCapabilityScore(16), 4);
  EXPECT_EQ(blitCapabilityScore(8), 0);
}

}  // namespace
}  // namespace korva
