// The engine on a real output: SDL's dummy device, and no device at all. Either way sounds
// start and end in real time.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "soundengine/engine_helpers.h"
#include "support/scoped_env.h"

namespace korva::test {
namespace {

using namespace std::chrono_literals;

// SDL's audio driver for one test.
class AudioDriverEnv : public ScopedEnv {
 public:
  explicit AudioDriverEnv(const char* name) : ScopedEnv("SDL_AUDIODRIVER", name) {}
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

TEST(Output, BufferFramesArePlainWholeNumbersInRange) {
  struct Case {
    const char* text;
    bool ok;
    int frames;
  } cases[] = {{"1024", true, 1024}, {"32", true, 32},      {"32768", true, 32768}, {"31", false, 0},
               {"32769", false, 0},  {"", false, 0},       {"-512", false, 0},     {"512 ", false, 0},
               {"0x200", false, 0},  {"9999999999", false, 0}, {"2048frames", false, 0}};
  for (const Case& c : cases) {
    int frames = 0;
    EXPECT_EQ(sound::parseBufferFrames(c.text, frames), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(frames, c.frames) << c.text;
    }
  }
}

TEST(Output, ThePlayersBufferAndDeviceAreUsedOrGiveWayToTheDefault) {
  AudioDriverEnv driver("dummy");
  {
    ScopedEnv buffer("KORVA_AUDIO_BUFFER", "1024");
    sound::SoundEngine engine;
    ASSERT_TRUE(engine.init(sound::kMixRate, sound::kMixChannels, 0));
    EXPECT_EQ(engine.outputBufferFrames(), 1024);
  }
  {
    ScopedEnv buffer("KORVA_AUDIO_BUFFER", "lots");
    sound::SoundEngine engine;
    ASSERT_TRUE(engine.init(sound::kMixRate, sound::kMixChannels, 0));
    EXPECT_EQ(engine.outputBufferFrames(), sound::kGameBufferFrames);
  }
  {
    // The dummy driver has only its default device: a named one cannot be had.
    ScopedEnv device("KORVA_AUDIO_DEVICE", "Korva Test Speakers");
    ::testing::internal::CaptureStderr();
    sound::SoundEngine engine;
    EXPECT_TRUE(engine.init(sound::kMixRate, sound::kMixChannels, 0));
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("\"Korva Test Speakers\""), std::string::npos) << said;
    EXPECT_NE(said.find("the default device plays instead"), std::string::npos) << said;
    EXPECT_GT(engine.outputBufferFrames(), 0);
  }
}

}  // namespace
}  // namespace korva::test
