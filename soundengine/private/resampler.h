// The inner loops of the mixer: linear interpolation between neighbouring source frames,
// with positions in 32.32 fixed point (whole frames in the high word), added into stereo
// output with a gain per side.
#pragma once
#include <algorithm>
#include <cstdint>

namespace korva::sound {

inline constexpr int kFracBits = 32;
inline constexpr uint64_t kFracOne = uint64_t{1} << kFracBits;
inline constexpr float kFracScale = 1.0f / 4294967296.0f;

// The step per output frame for a source played at hz into a mix at rate.
inline uint64_t stepFor(int hz, int rate) {
  if (hz <= 0 || rate <= 0) return 0;
  return (static_cast<uint64_t>(hz) << kFracBits) / static_cast<uint64_t>(rate);
}

struct Gains {
  float left = 0, right = 0;
};

// Gains for volume and pan in 0..255. The balance law keeps the centre at full volume on
// both sides (127 and 128 are both the centre) and fades the far side towards the edges.
inline Gains gainsFor(int volume, int pan) {
  float v = static_cast<float>(std::clamp(volume, 0, 255)) / 255.0f;
  pan = std::clamp(pan, 0, 255);
  float position = pan <= 127 ? static_cast<float>(pan) / 254.0f : static_cast<float>(pan - 1) / 254.0f;
  return {v * std::min(1.0f, 2.0f * (1.0f - position)), v * std::min(1.0f, 2.0f * position)};
}

// Mixes frames while both interpolation points lie inside [0, length): stops at n output
// frames or when the next frame would need frame `length`. Returns the frames mixed.
template <int Channels>
int mixSpan(const float* data, int64_t length, uint64_t& pos, uint64_t step, Gains g, float* out, int n) {
  if (length < 2) return 0;
  const uint64_t limit = static_cast<uint64_t>(length - 1) << kFracBits;
  if (pos >= limit) return 0;
  int count = n;
  if (step > 0) count = static_cast<int>(std::min<uint64_t>(n, (limit - pos + step - 1) / step));
  uint64_t p = pos;
  for (int i = 0; i < count; ++i) {
    const float* a = data + (p >> kFracBits) * Channels;
    const float f = static_cast<float>(p & (kFracOne - 1)) * kFracScale;
    if constexpr (Channels == 1) {
      float v = a[0] + (a[1] - a[0]) * f;
      out[2 * i] += v * g.left;
      out[2 * i + 1] += v * g.right;
    } else {
      out[2 * i] += (a[0] + (a[2] - a[0]) * f) * g.left;
      out[2 * i + 1] += (a[1] + (a[3] - a[1]) * f) * g.right;
    }
    p += step;
  }
  pos = p;
  return count;
}

inline int mixSpan(int channels, const float* data, int64_t length, uint64_t& pos, uint64_t step, Gains g,
                   float* out, int n) {
  return channels == 1 ? mixSpan<1>(data, length, pos, step, g, out, n)
                       : mixSpan<2>(data, length, pos, step, g, out, n);
}

// One output frame interpolated between two given frames (a and b each hold `channels`
// values): the slow path at the edges of a buffer.
inline void mixBetween(int channels, const float* a, const float* b, uint64_t pos, Gains g, float* out) {
  const float f = static_cast<float>(pos & (kFracOne - 1)) * kFracScale;
  const int r = channels == 1 ? 0 : 1;
  out[0] += (a[0] + (b[0] - a[0]) * f) * g.left;
  out[1] += (a[r] + (b[r] - a[r]) * f) * g.right;
}

}  // namespace korva::sound
