// Sampled sound held in memory, and the file checks shared by samples and streams.
#pragma once
#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "soundengine/private/resampler.h"
#include "soundengine/private/sound_budget.h"

namespace korva::sound {

// Immutable once loaded, so the mixer reads it without a lock.
struct SampleData {
  std::vector<float> frames;  // interleaved, `channels` values per frame
  int channels = 1;           // 1 or 2
  int64_t length = 0;         // frames
  int rate = 0;               // Hz
  BudgetShare share;          // the frames' memory
};

// Decodes a whole file; null when it cannot be opened, is corrupt, truncated, empty,
// longer than maxFrames, or larger than what is left of the sound budget.
std::shared_ptr<const SampleData> decodeSample(const std::string& path, int64_t maxFrames);

// Mixes n output frames of the sample starting at pos (advanced). False once a sample
// that does not loop has played its last frame.
bool mixSample(const SampleData& s, bool loop, uint64_t& pos, uint64_t step, Gains g, float* out, int n);

// The sound file a program names, opened with libsndfile (regular files only, so a FIFO
// never blocks); null when there is none, it is no sound libsndfile reads, or it is a
// RIFF/WAVE file announcing more sample data than it holds (libsndfile shortens such
// files silently; we refuse them rather than play half a sound).
SNDFILE* openSoundFile(const std::string& name, SF_INFO& info);


}  // namespace korva::sound
