#include "soundengine/private/limiter.h"

#include <algorithm>
#include <cmath>

namespace korva::sound {

void PeakLimiter::configure(int rate) {
  rate = std::max(rate, 1000);
  window_ = std::max(2, rate * kLookAheadMs / 1000);
  release_ = static_cast<float>(std::exp(-1000.0 / (static_cast<double>(kReleaseMs) * rate)));
  frame_ = 0;
  delayed_.assign(2 * static_cast<size_t>(window_), 0.0f);
  minFrame_.assign(static_cast<size_t>(window_), 0);
  minNeed_.assign(static_cast<size_t>(window_), 1.0f);
  minHead_ = minTail_ = 0;
  deficit_ = 0.0f;
  heldRing_.assign(static_cast<size_t>(window_), 1.0f);
  heldSum_ = window_;
  belowOne_ = 0;
  gain_ = 1.0f;
}

void PeakLimiter::process(float* stereo, int frames) {
  const int64_t w = window_;
  for (int i = 0; i < frames; ++i, ++frame_) {
    float* io = stereo + 2 * i;
    float left = std::isfinite(io[0]) ? io[0] : 0.0f;
    float right = std::isfinite(io[1]) ? io[1] : 0.0f;
    const float peak = std::max(std::fabs(left), std::fabs(right));
    const float need = peak > kCeiling ? kCeiling / peak : 1.0f;

    // The window's smallest need: entries that left the window go, and older entries that
    // need no less can never be the smallest again.
    while (minTail_ > minHead_ && minFrame_[static_cast<size_t>(minHead_ % w)] <= frame_ - w) ++minHead_;
    while (minTail_ > minHead_ && minNeed_[static_cast<size_t>((minTail_ - 1) % w)] >= need) --minTail_;
    minFrame_[static_cast<size_t>(minTail_ % w)] = frame_;
    minNeed_[static_cast<size_t>(minTail_ % w)] = need;
    ++minTail_;
    const float smallest = minNeed_[static_cast<size_t>(minHead_ % w)];

    // Kept as the distance below 1, which near 1 a float can still make smaller.
    deficit_ = std::max(1.0f - smallest, deficit_ * release_);
    // The last ten-thousandth is inaudible: dropping it ends the release in under a second.
    if (deficit_ < kSnapToOne) deficit_ = 0.0f;
    const float held = 1.0f - deficit_;
    const size_t slot = static_cast<size_t>(frame_ % w);
    const float old = heldRing_[slot];
    heldRing_[slot] = held;
    belowOne_ += (held < 1.0f) - (old < 1.0f);
    heldSum_ += static_cast<double>(held) - old;
    if (belowOne_ == 0) heldSum_ = static_cast<double>(w);  // back to exactly 1, no drift
    gain_ = belowOne_ == 0 ? 1.0f : static_cast<float>(heldSum_ / static_cast<double>(w));

    // In at this frame's slot; out of the next one, written window - 1 frames ago.
    delayed_[2 * slot] = left;
    delayed_[2 * slot + 1] = right;
    const size_t out = static_cast<size_t>((frame_ + 1) % w);
    io[0] = delayed_[2 * out] * gain_;
    io[1] = delayed_[2 * out + 1] * gain_;
  }
}

}  // namespace korva::sound
