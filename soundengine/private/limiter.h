// The master bus's peak limiter. Sounds that are loud together would square the wave at
// full scale; instead the mix comes out a few milliseconds late, and the gain falls ahead
// of a loud moment and rises again slowly after it. Below the ceiling it changes nothing.
//
// How the ceiling is kept: each frame needs the gain ceiling / peak (1 when it is quiet).
// The held gain is the smallest need of the last `window` frames, released towards 1
// exponentially; the applied gain is the mean of the last `window` held gains, and the
// frame it is applied to is `window - 1` frames old. Every held gain in that mean saw the
// frame's own need, so the mean never exceeds it: no frame leaves above the ceiling, and
// the gain moves as a ramp over the window instead of a step.
#pragma once
#include <cstdint>
#include <vector>

namespace korva::sound {

class PeakLimiter {
 public:
  // -1 dBFS: room for the conversion to the device's format.
  static constexpr float kCeiling = 0.8912509f;
  static constexpr int kLookAheadMs = 3;
  static constexpr int kReleaseMs = 100;
  static constexpr float kSnapToOne = 1e-4f;

  explicit PeakLimiter(int rate = 44100) { configure(rate); }
  // Forgets everything: silence in the delay line, the gain at 1.
  void configure(int rate);
  // How many frames later a frame comes out.
  int delayFrames() const { return window_ - 1; }
  // Limits interleaved stereo in place (the output is delayFrames() behind the input).
  // Samples that are not finite become silence.
  void process(float* stereo, int frames);
  // The gain given to the last frame that came out.
  float gain() const { return gain_; }

 private:
  int window_ = 1;
  float release_ = 0.0f;  // how much of the way back to 1 is left after one frame
  int64_t frame_ = 0;
  std::vector<float> delayed_;  // `window` stereo frames
  // The smallest need of the window: a queue of (frame, need) with needs rising.
  std::vector<int64_t> minFrame_;
  std::vector<float> minNeed_;
  int64_t minHead_ = 0, minTail_ = 0;
  float deficit_ = 0.0f;  // 1 - the held gain
  // The last `window` held gains, their sum, and how many of them are below 1.
  std::vector<float> heldRing_;
  double heldSum_ = 0.0;
  int belowOne_ = 0;
  float gain_ = 1.0f;
};

}  // namespace korva::sound
