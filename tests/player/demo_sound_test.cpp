// The demo game's sound as a player hears it: played with scripted firing and recorded
// through SDL's disk driver, shots and explosions over the music never reach full scale.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/process.h"

namespace korva {
namespace {

// Space starts the game and is held, fire all the way, while the ship sweeps left and right.
constexpr const char* kFiring =
    "0 mouse move 320 400\n5 key down 57\n6 key up 57\n10 key down 57\n"
    "20 key down 205\n70 key up 205\n80 key down 203\n150 key up 203\n160 key down 205\n230 key up 205\n";

TEST(DemoSound, LoudMomentsOverTheMusicStayBelowFullScale) {
  const std::string dir = test::tempDir() + "/demo-sound";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/input.txt") << kFiring;
  const std::string recording = dir + "/sound.raw";
  auto r = test::runCommand("SDL_VIDEODRIVER=offscreen SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=disk "
                            "SDL_DISKAUDIOFILE=" + recording + " timeout 60 " + test::buildDir() +
                            "/korva --frames 240 --input " + dir + "/input.txt " + test::programPath("game") + " " +
                            KORVA_SOURCE_DIR "/examples/game/assets " + dir + "/scores.txt 7");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  // The mix goes out as it is made: 32-bit float stereo.
  std::ifstream in(recording, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  ASSERT_GT(samples.size(), 2u * 44100) << "less than a second of sound";
  float peak = 0;
  size_t atFullScale = 0;
  for (float s : samples) {
    peak = std::max(peak, std::fabs(s));
    atFullScale += std::fabs(s) >= 1.0f;
  }
  EXPECT_EQ(atFullScale, 0u);
  EXPECT_LT(peak, 0.9f);
  EXPECT_GT(peak, 0.3f) << "the music and the shots were not heard";
}

}  // namespace
}  // namespace korva
