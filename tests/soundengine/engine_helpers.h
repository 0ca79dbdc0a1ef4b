// An engine mixed offline, and measures of what it produced.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "soundengine/sound_engine.h"
#include "soundengine/sound_files.h"

namespace korva::test {

struct Peak {
  float left = 0, right = 0;
};

inline Peak peakOf(const std::vector<float>& stereo) {
  Peak p;
  for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
    p.left = std::max(p.left, std::fabs(stereo[i]));
    p.right = std::max(p.right, std::fabs(stereo[i + 1]));
  }
  return p;
}

inline bool silent(const std::vector<float>& stereo) {
  return std::all_of(stereo.begin(), stereo.end(), [](float v) { return v == 0.0f; });
}

class OfflineEngine {
 public:
  // The mix itself unless asked for the master bus's limiter too.
  explicit OfflineEngine(bool limited = false) {
    engine.init(sound::kMixRate, sound::kMixChannels, sound::kNoOutput | (limited ? 0u : unsigned{sound::kNoLimiter}));
  }
  std::vector<float> render(int frames) {
    std::vector<float> out(static_cast<size_t>(2 * frames));
    engine.render(out.data(), frames);
    return out;
  }
  // Renders blocks until the channel stops; the frames rendered by then (-1 past limit).
  int framesUntilStopped(int channel, int block = 32, int limit = 441000) {
    int frames = 0;
    while (engine.channelIsPlaying(channel)) {
      if (frames >= limit) return -1;
      render(block);
      frames += block;
    }
    return frames;
  }
  sound::SampleId loadTone(const Tone& tone = {}, unsigned mode = sound::kLoadMode) {
    std::string path = dir.file("tone" + std::to_string(++files) + ".wav");
    EXPECT_TRUE(writeTone(path, tone));
    return engine.loadSample(path, mode);
  }

  TempDir dir;
  sound::SoundEngine engine;
  int files = 0;
};

}  // namespace korva::test
