// The master bus's limiter on made-up signals: nothing leaves above the ceiling, quiet
// sound passes bit for bit (only late), the gain comes back after a loud moment, and the
// result does not depend on how the output cuts its blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "soundengine/engine_helpers.h"
#include "soundengine/private/limiter.h"

namespace korva::test {
namespace {

using sound::PeakLimiter;

constexpr int kRate = 44100;

std::vector<float> makeSignal(int frames, const std::function<float(int, int)>& sample) {
  std::vector<float> s(2 * static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < 2; ++c) s[2 * static_cast<size_t>(i) + c] = sample(i, c);
  return s;
}

std::vector<float> limit(std::vector<float> s, int block = 512) {
  PeakLimiter limiter(kRate);
  const int frames = static_cast<int>(s.size() / 2);
  for (int done = 0; done < frames; done += block) limiter.process(s.data() + 2 * done, std::min(block, frames - done));
  return s;
}

float sine(int i, float hz, float amplitude) {
  return amplitude * std::sin(2.0f * 3.14159265f * hz * static_cast<float>(i) / kRate);
}

TEST(PeakLimiter, NothingLeavesAboveTheCeiling) {
  struct Case {
    const char* name;
    std::function<float(int, int)> sample;
  } cases[] = {
      {"loud sine", [](int i, int) { return sine(i, 441.0f, 3.0f); }},
      {"step to 2", [](int i, int) { return i < 3000 ? 0.2f : 2.0f; }},
      {"one spike", [](int i, int) { return i == 5000 ? -40.0f : sine(i, 100.0f, 0.5f); }},
      {"spikes closer than the window", [](int i, int) { return i % 50 == 0 ? 1.7f : 0.1f; }},
      {"left alone loud", [](int i, int c) { return c == 0 ? sine(i, 300.0f, 4.0f) : 0.3f; }},
      {"quiet music, loud bursts",
       [](int i, int) { return sine(i, 220.0f, 0.45f) + ((i / 4000) % 3 == 1 ? sine(i, 90.0f, 1.2f) : 0.0f); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> out = limit(makeSignal(30000, c.sample));
    float peak = 0;
    for (float v : out) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, PeakLimiter::kCeiling * 1.0001f);
    EXPECT_GT(peak, 0.5f);
  }
}

TEST(PeakLimiter, QuietSoundPassesUnchangedOnlyLater) {
  const auto in = makeSignal(20000, [](int i, int c) { return sine(i, c ? 440.0f : 523.0f, 0.88f); });
  std::vector<float> out = limit(in);
  const int delay = PeakLimiter(kRate).delayFrames();
  EXPECT_EQ(delay, kRate * PeakLimiter::kLookAheadMs / 1000 - 1);
  for (int i = 0; i < delay; ++i) ASSERT_EQ(out[2 * static_cast<size_t>(i)], 0.0f) << i;
  for (size_t i = 2 * static_cast<size_t>(delay); i < out.size(); ++i)
    ASSERT_EQ(out[i], in[i - 2 * static_cast<size_t>(delay)]) << i;
}

TEST(PeakLimiter, TheGainFallsBeforeTheLoudMomentAndComesBackAfterIt) {
  // Quiet, one loud burst of 10 ms, then quiet for a second.
  const int burstStart = 10000, burstEnd = 10441;
  const auto in = makeSignal(kRate + burstEnd, [&](int i, int) {
    return sine(i, 441.0f, i >= burstStart && i < burstEnd ? 2.0f : 0.5f);
  });
  PeakLimiter limiter(kRate);
  const int delay = limiter.delayFrames();
  std::vector<float> gains;
  std::vector<float> out = in;
  for (size_t i = 0; i < in.size() / 2; ++i) {
    limiter.process(out.data() + 2 * i, 1);
    gains.push_back(limiter.gain());  // the gain of input frame i - delay
  }
  auto gainOfFrame = [&](int frame) { return gains[static_cast<size_t>(frame + delay)]; };
  // Untouched until the look-ahead sees the burst, lowered to the need across it.
  EXPECT_EQ(gainOfFrame(burstStart - delay - 1), 1.0f);
  EXPECT_LT(gainOfFrame(burstStart - 1), 1.0f);
  EXPECT_NEAR(gainOfFrame(burstStart + 220), PeakLimiter::kCeiling / 2.0f, 0.01f);
  // A smooth way down: no step larger than the window allows.
  for (int f = burstStart - delay; f < burstStart; ++f)
    ASSERT_LE(gainOfFrame(f) - gainOfFrame(f + 1), 1.0f / static_cast<float>(delay) + 1e-6f) << f;
  // Back up slowly: still down 20 ms after, and at exactly 1 again within a second.
  EXPECT_LT(gainOfFrame(burstEnd + kRate / 50), 0.9f);
  EXPECT_EQ(gainOfFrame(burstEnd + kRate - 2 * delay), 1.0f);
  const size_t last = in.size() - 2;
  EXPECT_EQ(out[last], in[last - 2 * static_cast<size_t>(delay)]);
}

TEST(PeakLimiter, BothSidesShareOneGain) {
  std::vector<float> out = limit(makeSignal(8000, [](int i, int c) { return c == 0 ? sine(i, 200.0f, 3.0f) : 0.25f; }));
  const int delay = PeakLimiter(kRate).delayFrames();
  // The quiet right side is lowered with the loud left, so the picture stays where it was.
  float lowest = 1.0f;
  for (size_t i = 2 * static_cast<size_t>(delay) + 1; i < out.size(); i += 2) lowest = std::min(lowest, out[i]);
  EXPECT_LT(lowest, 0.25f * 0.5f);
}

TEST(PeakLimiter, BlockSizesGiveTheSameResultAndBadSamplesBecomeSilence) {
  const auto in = makeSignal(12000, [](int i, int c) {
    if (i == 700 && c == 1) return std::nanf("");
    if (i == 701) return INFINITY;
    return sine(i, 331.0f, i % 3000 < 1500 ? 2.5f : 0.3f);
  });
  std::vector<float> reference = limit(in, 512);
  for (int block : {1, 7, 64, 4096}) {
    SCOPED_TRACE(block);
    EXPECT_EQ(limit(in, block), reference);
  }
  for (float v : reference) ASSERT_TRUE(std::isfinite(v));
}

TEST(PeakLimiter, TheEngineMixOfManyLoudSoundsNeverReachesFullScale) {
  OfflineEngine e(true);
  sound::SampleId s = e.loadTone({.frames = 20000, .amplitude = 0.9f});
  for (int i = 0; i < sound::kMixChannels; ++i) e.engine.playSample(sound::kAnyChannel, s);
  std::vector<float> out = e.render(20000);
  const float peak = std::max(peakOf(out).left, peakOf(out).right);
  EXPECT_LE(peak, PeakLimiter::kCeiling * 1.0001f);
  EXPECT_GT(peak, 0.8f);
}

}  // namespace
}  // namespace korva::test
