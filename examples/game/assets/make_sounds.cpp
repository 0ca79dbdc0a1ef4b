// make_sounds DIR: synthesises the game's sound effects as 16-bit mono WAV files at 22050 Hz.
//   shot.wav   a falling square-wave zap
//   boom.wav   noise through a closing low-pass, with a thump below it
//   gem.wav    a rising three-note chime
// Deterministic: the noise comes from a fixed-seed generator.
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr float kTau = 6.2831853f;

bool write(const std::string& path, const std::vector<float>& samples) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    std::fprintf(stderr, "make_sounds: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  bool ok = sf_writef_float(f, samples.data(), samples.size()) == static_cast<sf_count_t>(samples.size());
  return sf_close(f) == 0 && ok;
}

std::vector<float> shot() {
  std::vector<float> out(kRate * 16 / 100);
  float phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / out.size();
    float freq = 1800.0f * std::pow(0.18f, t);  // a fast downward sweep
    phase += freq / kRate;
    float square = std::fmod(phase, 1.0f) < 0.5f ? 1.0f : -1.0f;
    out[i] = 0.45f * square * (1.0f - t) * (1.0f - t);
  }
  return out;
}

std::vector<float> boom() {
  std::vector<float> out(kRate * 7 / 10);
  uint32_t seed = 99;
  float low = 0, phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / out.size();
    seed = seed * 1664525u + 1013904223u;
    float noise = static_cast<int32_t>(seed) / 2147483648.0f;
    float cutoff = 0.35f * (1.0f - t) + 0.02f;  // one-pole low-pass closing over time
    low += cutoff * (noise - low);
    phase += (70.0f - 40.0f * t) / kRate;
    float thump = std::sin(kTau * phase) * std::exp(-6.0f * t);
    out[i] = (1.4f * low + 0.6f * thump) * std::exp(-3.5f * t);
    out[i] = std::fmax(-0.95f, std::fmin(0.95f, out[i]));
  }
  return out;
}

std::vector<float> gem() {
  const float notes[] = {1046.5f, 1318.5f, 1568.0f};  // C6 E6 G6
  const size_t each = kRate * 7 / 100;
  std::vector<float> out(each * 3 + kRate / 10);
  for (size_t i = 0; i < out.size(); ++i) {
    size_t n = i / each;
    if (n > 2) n = 2;
    float local = static_cast<float>(i - n * each) / kRate;
    float t = static_cast<float>(i) / kRate;
    out[i] = 0.35f * std::sin(kTau * notes[n] * t) * std::exp(-9.0f * local);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sounds DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  bool ok = write(dir + "/shot.wav", shot()) && write(dir + "/boom.wav", boom()) && write(dir + "/gem.wav", gem());
  return ok ? 0 : 1;
}
