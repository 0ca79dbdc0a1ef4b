// The demo game's sound as a player hears it: played with scripted firing and recorded
// through SDL's disk driver, shots and explosions over the music never reach full scale;
// and, mixed offline with and without the master bus's limiter, the music keeps its
// loudness outside the loud moments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "soundengine/engine_helpers.h"
#include "soundengine/private/limiter.h"
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

// The game's tune with volleys of explosions and shots every two seconds, mixed twice.
TEST(DemoSound, TheMusicKeepsItsLoudnessOutsideTheLoudMoments) {
  const std::string assets = KORVA_SOURCE_DIR "/examples/game/assets/";
  test::OfflineEngine limited(true), raw(false);
  constexpr int kBlock = 512, kBlocks = 12 * 44100 / kBlock;
  std::vector<float> out[2];
  int index = 0;
  for (test::OfflineEngine* e : {&limited, &raw}) {
    sound::SongId tune = e->engine.loadSong(assets + "tune.mod");
    ASSERT_NE(tune, 0u);
    ASSERT_TRUE(e->engine.playSong(tune));
    e->engine.setSongMasterVolume(tune, 153);  // as the game sets it (0.6)
    sound::SampleId boom = e->engine.loadSample(assets + "boom.wav", sound::kLoadMode);
    sound::SampleId shot = e->engine.loadSample(assets + "shot.wav", sound::kLoadMode);
    ASSERT_NE(boom, 0u);
    ASSERT_NE(shot, 0u);
    for (int b = 0; b < kBlocks; ++b) {
      if (b % 172 == 40)
        for (int i = 0; i < 3; ++i) {
          e->engine.playSample(sound::kAnyChannel, boom);
          e->engine.playSample(sound::kAnyChannel, shot);
        }
      std::vector<float> block = e->render(kBlock);
      out[index].insert(out[index].end(), block.begin(), block.end());
    }
    ++index;
  }
  // The limited mix is the raw one, late by the look-ahead.
  const size_t delay = 2 * static_cast<size_t>(sound::PeakLimiter(44100).delayFrames());
  std::vector<float> heard(out[0].begin() + static_cast<long>(delay), out[0].end());
  const std::vector<float>& mixed = out[1];
  constexpr size_t kWindow = 2 * 4410;  // 100 ms
  const size_t windows = heard.size() / kWindow;
  std::vector<bool> loud(windows);
  for (size_t w = 0; w < windows; ++w)
    for (size_t i = w * kWindow; i < (w + 1) * kWindow; ++i)
      loud[w] = loud[w] || std::fabs(mixed[i]) > sound::PeakLimiter::kCeiling;
  double heardEnergy = 0, mixedEnergy = 0;
  size_t quiet = 0, loudOnes = 0;
  for (size_t w = 0; w < windows; ++w) {
    loudOnes += loud[w];
    // Outside the loud moments: no loud window in it or in the 500 ms before.
    bool near = false;
    for (size_t back = 0; back <= 5 && back <= w; ++back) near = near || loud[w - back];
    if (near) continue;
    ++quiet;
    for (size_t i = w * kWindow; i < (w + 1) * kWindow; ++i) {
      heardEnergy += double{heard[i]} * heard[i];
      mixedEnergy += double{mixed[i]} * mixed[i];
    }
  }
  ASSERT_GE(loudOnes, 5u) << "the volleys never went past the ceiling";
  ASSERT_GE(quiet, 30u) << loudOnes << " loud windows";
  ASSERT_GT(mixedEnergy, 0.0);
  const double differenceDb = 10.0 * std::log10(heardEnergy / mixedEnergy);
  EXPECT_LT(std::fabs(differenceDb), 1.0);
  float peak = 0;
  for (float v : heard) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 1.0f);
}

}  // namespace
}  // namespace korva
