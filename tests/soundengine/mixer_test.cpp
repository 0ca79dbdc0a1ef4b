// The mixer rendered offline: where a tone lands, how loud, how fast, and what pausing,
// looping and stale channel ids do.
#include <gtest/gtest.h>

#include "soundengine/engine_helpers.h"
#include "soundengine/private/limiter.h"

namespace korva::test {
namespace {

using sound::kAnyChannel;

TEST(Mixer, PanPlacesTheTone) {
  struct Case {
    int pan;
    bool left, right;
  } cases[] = {{0, true, false}, {255, false, true}, {127, true, true}, {128, true, true}};
  for (const Case& c : cases) {
    OfflineEngine e;
    int ch = e.engine.playSample(kAnyChannel, e.loadTone());
    e.engine.setChannelPan(ch, c.pan);
    Peak p = peakOf(e.render(2000));
    SCOPED_TRACE(c.pan);
    EXPECT_EQ(p.left > 0.45f, c.left);
    EXPECT_EQ(p.right > 0.45f, c.right);
    if (!c.left) {
      EXPECT_EQ(p.left, 0.0f);
    }
    if (!c.right) {
      EXPECT_EQ(p.right, 0.0f);
    }
    if (c.left && c.right) {
      EXPECT_FLOAT_EQ(p.left, p.right);
    }
  }
}

TEST(Mixer, VolumeScalesTheAmplitude) {
  OfflineEngine full, half;
  full.engine.playSample(kAnyChannel, full.loadTone());
  int ch = half.engine.playSample(kAnyChannel, half.loadTone());
  half.engine.setChannelVolume(ch, 127);
  float ratio = peakOf(half.render(2000)).left / peakOf(full.render(2000)).left;
  EXPECT_NEAR(ratio, 127.0f / 255.0f, 1e-4);
}

TEST(Mixer, FrequencySetsTheDuration) {
  // A 4410-frame tone recorded at 44100 Hz.
  struct Case {
    int hz, frames;
  } cases[] = {{44100, 4410}, {88200, 2205}, {22050, 8820}};
  for (const Case& c : cases) {
    OfflineEngine e;
    int ch = e.engine.playSample(kAnyChannel, e.loadTone());
    e.engine.setChannelFrequency(ch, c.hz);
    SCOPED_TRACE(c.hz);
    EXPECT_NEAR(e.framesUntilStopped(ch, 16), c.frames, 16);
  }
}

TEST(Mixer, ZeroFrequencyHoldsInSilence) {
  OfflineEngine e;
  int ch = e.engine.playSample(kAnyChannel, e.loadTone());
  e.render(1000);
  for (int hz : {0, -5}) {
    e.engine.setChannelFrequency(ch, hz);
    EXPECT_TRUE(silent(e.render(10000)));
    EXPECT_TRUE(e.engine.channelIsPlaying(ch));
  }
  e.engine.setChannelFrequency(ch, 44100);
  EXPECT_NEAR(e.framesUntilStopped(ch, 16), 4410 - 1000, 16);
}

TEST(Mixer, SampleDefaultsApplyWhenPlayed) {
  OfflineEngine e;
  sound::SampleId s = e.loadTone({.rate = 22050, .frames = 2205});
  sound::SampleDefaults d;
  ASSERT_TRUE(e.engine.sampleDefaults(s, d));
  EXPECT_EQ(d.frequency, 22050);
  EXPECT_EQ(d.volume, 255);
  int first = e.engine.playSample(kAnyChannel, s);
  e.engine.setSampleDefaults(s, {44100, 255, 0, d.priority});
  // A sound already playing keeps the defaults it started with: 22050 Hz, centred.
  EXPECT_NEAR(e.framesUntilStopped(first, 16), 4410, 16);
  int second = e.engine.playSample(kAnyChannel, s);
  Peak p = peakOf(e.render(500));
  EXPECT_GT(p.left, 0.45f);
  EXPECT_EQ(p.right, 0.0f);
  EXPECT_NEAR(e.framesUntilStopped(second, 16), 2205 - 500, 16);
}

TEST(Mixer, LoopingSampleKeepsPlaying) {
  OfflineEngine e;
  sound::SampleId s = e.loadTone({.frames = 441});
  e.engine.setSampleLoopMode(s, sound::kLoopNormal);
  int looping = e.engine.playSample(kAnyChannel, s);
  e.engine.setSampleLoopMode(s, sound::kLoopOff);
  int once = e.engine.playSample(kAnyChannel, s);
  e.render(441 * 10);
  EXPECT_TRUE(e.engine.channelIsPlaying(looping));
  EXPECT_FALSE(e.engine.channelIsPlaying(once));
  EXPECT_GT(peakOf(e.render(441)).left, 0.45f);
}

TEST(Mixer, PausedChannelIsSilentAndResumesWhereItWas) {
  OfflineEngine reference, e;
  reference.engine.playSample(kAnyChannel, reference.loadTone());
  reference.render(1000);
  std::vector<float> expected = reference.render(1000);

  int ch = e.engine.playSample(kAnyChannel, e.loadTone());
  e.render(1000);
  e.engine.setChannelPaused(ch, true);
  EXPECT_TRUE(silent(e.render(3000)));
  EXPECT_TRUE(e.engine.channelIsPlaying(ch));
  e.engine.setChannelPaused(ch, false);
  EXPECT_EQ(e.render(1000), expected);
}

TEST(Mixer, EndedChannelIdNoLongerReachesItsVoice) {
  OfflineEngine e;
  sound::SampleId s = e.loadTone({.frames = 100});
  int old = e.engine.playSample(kAnyChannel, s);
  e.render(200);
  EXPECT_FALSE(e.engine.channelIsPlaying(old));
  int fresh = e.engine.playSample(kAnyChannel, s);
  EXPECT_NE(fresh, old);
  e.engine.stopChannel(old);
  e.engine.setChannelVolume(old, 0);
  EXPECT_TRUE(e.engine.channelIsPlaying(fresh));
  EXPECT_GT(peakOf(e.render(50)).left, 0.0f);
}

TEST(Mixer, EveryChannelBusyGivesNoChannel) {
  OfflineEngine e;
  sound::SampleId s = e.loadTone();
  for (int i = 0; i < sound::kMixChannels; ++i) ASSERT_GE(e.engine.playSample(kAnyChannel, s), 0);
  EXPECT_EQ(e.engine.playSample(kAnyChannel, s), -1);
  EXPECT_EQ(e.engine.playSample(kAnyChannel, 999), -1);
}

TEST(Mixer, OutputStaysBelowFullScaleAfterMixing) {
  OfflineEngine e(true);
  sound::SampleId s = e.loadTone({.amplitude = 0.9f});
  for (int i = 0; i < 4; ++i) e.engine.playSample(kAnyChannel, s);
  std::vector<float> out = e.render(2000);
  EXPECT_NEAR(*std::max_element(out.begin(), out.end()), sound::PeakLimiter::kCeiling, 0.01f);
  EXPECT_NEAR(*std::min_element(out.begin(), out.end()), -sound::PeakLimiter::kCeiling, 0.01f);
  // Without the limiter the sum is what it is.
  OfflineEngine raw;
  sound::SampleId same = raw.loadTone({.amplitude = 0.9f});
  for (int i = 0; i < 4; ++i) raw.engine.playSample(kAnyChannel, same);
  EXPECT_GT(peakOf(raw.render(2000)).left, 3.0f);
}

TEST(Mixer, FreedSampleStopsItsChannels) {
  OfflineEngine e;
  sound::SampleId s = e.loadTone();
  e.engine.setSampleLoopMode(s, sound::kLoopNormal);
  int ch = e.engine.playSample(kAnyChannel, s);
  e.render(100);
  e.engine.freeSample(s);
  EXPECT_FALSE(e.engine.channelIsPlaying(ch));
  EXPECT_TRUE(silent(e.render(100)));
  EXPECT_EQ(e.engine.playSample(kAnyChannel, s), -1);
}

TEST(Mixer, StereoSampleKeepsItsSides) {
  OfflineEngine e;
  std::string path = e.dir.file("stereo.wav");
  ASSERT_TRUE(writeTone(path, {.channels = 2}));
  sound::SampleId s = e.engine.loadSample(path, sound::kLoadMode);
  ASSERT_NE(s, 0u);
  int ch = e.engine.playSample(kAnyChannel, s);
  e.engine.setChannelPan(ch, 255);
  Peak p = peakOf(e.render(1000));
  EXPECT_EQ(p.left, 0.0f);
  EXPECT_GT(p.right, 0.45f);
}

TEST(Cd, KeepsWhatItWasToldAndMakesNoSound) {
  OfflineEngine e;
  e.engine.cdSetPlayMode(2);
  e.engine.cdPlay(5);
  e.engine.cdSetVolume(300);
  sound::CdState cd = e.engine.cd();
  EXPECT_EQ(cd.track, 5);
  EXPECT_EQ(cd.playMode, 2);
  EXPECT_EQ(cd.volume, 255);
  EXPECT_TRUE(cd.playing);
  EXPECT_TRUE(silent(e.render(100)));
  e.engine.cdStop();
  EXPECT_FALSE(e.engine.cd().playing);
}

}  // namespace
}  // namespace korva::test
