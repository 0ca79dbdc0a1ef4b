// The engine on a real output: SDL's dummy device, and no device at all. Either way sounds
// start and end in real time.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "soundengine/engine_helpers.h"

namespace korva::test {
namespace {

using namespace std::chrono_literals;

// Sets SDL's audio driver for one test and puts back what was there.
class AudioDriverEnv {
 public:
  explicit AudioDriverEnv(const char* name) {
    if (const char* v = std::getenv("SDL_AUDIODRIVER")) saved_ = v, had_ = true;
    setenv("SDL_AUDIODRIVER", name, 1);
  }
  ~AudioDriverEnv() {
    if (had_)
      setenv("SDL_AUDIODRIVER", saved_.c_str(), 1);
    else
      unsetenv("SDL_AUDIODRIVER");
  }

 private:
  std::string saved_;
  bool had_ = false;
};

// Plays a tenth of a second and waits for it to end; the wall time it took.
std::chrono::milliseconds playToTheEnd(sound::SoundEngine& engine, const TempDir& dir) {
  std::string path = dir.file("tone.wav");
  EXPECT_TRUE(writeTone(path, {.frames = 4410}));
  int ch = engine.playSample(sound::kAnyChannel, engine.loadSample(path, sound::kLoadMode));
  EXPECT_GE(ch, 0);
  auto start = std::chrono::steady_clock::now();
  while (engine.channelIsPlaying(ch) && std::chrono::steady_clock::now() - start < 5s) std::this_thread::sleep_for(5ms);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST(Output, DeviceMixesInRealTime) {
  AudioDriverEnv env("dummy");
  TempDir dir;
  sound::SoundEngine engine;
  ASSERT_TRUE(engine.init(sound::kMixRate, sound::kMixChannels, 0));
  EXPECT_GT(engine.outputBufferFrames(), 0);
  auto took = playToTheEnd(engine, dir);
  EXPECT_GE(took, 50ms);
  EXPECT_LT(took, 5s);
}

TEST(Output, WithoutDeviceSoundsStillEnd) {
  AudioDriverEnv env("no-such-audio-driver");
  TempDir dir;
  sound::SoundEngine engine;
  EXPECT_FALSE(engine.init(sound::kMixRate, sound::kMixChannels, 0));
  auto took = playToTheEnd(engine, dir);
  EXPECT_GE(took, 50ms);
  EXPECT_LT(took, 5s);
}

TEST(Output, InitAgainAndCloseAreSafe) {
  AudioDriverEnv env("dummy");
  sound::SoundEngine engine;
  engine.init(sound::kMixRate, 8, 0);
  EXPECT_EQ(engine.channels(), 8);
  engine.init(48000, 1000, 0);
  EXPECT_EQ(engine.channels(), 256);
  EXPECT_EQ(engine.rate(), 48000);
  engine.close();
  engine.close();
  EXPECT_EQ(engine.outputBufferFrames(), 0);
}

}  // namespace
}  // namespace korva::test
