// A file decoded while it plays: a window of decoded frames that slides along the file.
// Only the mixing thread touches a decoder once it plays (see README.md).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "soundengine/private/resampler.h"
#include "soundengine/private/sound_budget.h"

typedef struct sf_private_tag SNDFILE;

namespace korva::sound {

class StreamDecoder {
 public:
  // Null when the file cannot be opened as sound (or is a truncated WAV), or the sound
  // budget has no room for its buffers.
  static std::unique_ptr<StreamDecoder> open(const std::string& path, bool loop);
  ~StreamDecoder();

  int rate() const { return rate_; }
  int channels() const { return channels_; }

  // Back to the first frame.
  void rewind();
  // Mixes n output frames advancing by step per frame. False once the file has ended
  // (never for a looping stream that decodes).
  bool mix(uint64_t step, Gains g, float* out, int n);

 private:
  StreamDecoder() = default;
  // Keeps the last frame as frame 0 and decodes the next block after it. False at the end.
  bool refill();
  int64_t read(float* to, int64_t frames);

  SNDFILE* file_ = nullptr;
  int fileChannels_ = 1;
  int channels_ = 1;
  int rate_ = 0;
  bool loop_ = false;
  bool ended_ = false;
  std::vector<float> window_;   // decoded frames, `channels_` values each
  std::vector<float> scratch_;  // one block as the file has it
  int64_t available_ = 0;       // frames in window_
  uint64_t pos_ = 0;            // 32.32, relative to window_[0]
  BudgetShare share_;
};

}  // namespace korva::sound
