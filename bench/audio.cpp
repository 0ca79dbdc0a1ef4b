// The sound engine's cost and latency.
//
// Mixing: CPU time of the mixing thread per second of audio, as a share of one core, and
// the realtime factor (seconds of audio mixed per second of CPU), for 32 channels of
// resampled stereo samples, 32 resampled stereo streams, a tracker module and a MIDI song.
// The best of several runs counts: the machine is shared.
//
// Latency: from playing a sample to the first mixing pass that contains it, on SDL's dummy
// device (which paces its callbacks like a real one), with SDL's default buffer and with
// the engine's game buffer. What a listener hears comes one buffer later still, so that is
// added for the estimate of the whole delay.
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sndfile.h>
#include <string>
#include <thread>
#include <vector>

#include "bench/report.h"
#include "soundengine/private/output.h"
#include "soundengine/sound_engine.h"

using namespace korva::sound;

namespace {

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Dir {
  std::string path;
  Dir() {
    std::string pattern = "/tmp/korva-bench-audio-XXXXXX";
    path = mkdtemp(pattern.data()) ? pattern : "/tmp";
  }
  ~Dir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

bool writeStereoTone(const std::string& path, int rate, int frames, float amplitude = 0.03f) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> d(static_cast<size_t>(2 * frames));
  for (int i = 0; i < frames; ++i) {
    d[2 * i] = amplitude * std::sin(static_cast<float>(i) * 0.05f);
    d[2 * i + 1] = amplitude * std::sin(static_cast<float>(i) * 0.031f);
  }
  sf_writef_float(f, d.data(), frames);
  sf_close(f);
  return true;
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// Four channels, a looped sample, a note in every row of every channel: busier than most.
std::vector<unsigned char> busyModule() {
  std::vector<unsigned char> m(20, 0);
  for (int s = 0; s < 31; ++s) {
    unsigned char h[30] = {};
    if (s == 0) {
      h[23] = 32;
      h[25] = 64;
      h[29] = 32;
    }
    m.insert(m.end(), h, h + 30);
  }
  m.push_back(2);  // the pattern twice: longer than the ten seconds measured
  m.push_back(127);
  m.resize(m.size() + 128, 0);
  for (char c : std::string("M.K.")) m.push_back(static_cast<unsigned char>(c));
  const int periods[] = {428, 381, 339, 320};
  for (int row = 0; row < 64; ++row)
    for (int ch = 0; ch < 4; ++ch) {
      int p = periods[(row + ch) % 4];
      m.push_back(static_cast<unsigned char>(p >> 8));
      m.push_back(p & 0xFF);
      m.push_back(1 << 4);
      m.push_back(0);
    }
  for (int i = 0; i < 64; ++i) m.push_back(static_cast<unsigned char>(i % 16 < 8 ? 60 : -60));
  return m;
}

// Chords of four notes changing every quarter note for sixteen bars.
std::vector<unsigned char> busyMidi() {
  std::vector<unsigned char> t = {0x00, 0xC0, 0x00};
  for (int beat = 0; beat < 64; ++beat) {
    const int root = 48 + (beat * 5) % 12;
    for (int n = 0; n < 4; ++n) t.insert(t.end(), {0x00, 0x90, static_cast<unsigned char>(root + n * 4), 0x50});
    t.insert(t.end(), {0x60, 0x80, static_cast<unsigned char>(root), 0x40});
    for (int n = 1; n < 4; ++n) t.insert(t.end(), {0x00, 0x80, static_cast<unsigned char>(root + n * 4), 0x40});
  }
  t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
  const unsigned char head[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
  std::vector<unsigned char> m(std::begin(head), std::end(head));
  const uint32_t n = static_cast<uint32_t>(t.size());
  for (int shift : {24, 16, 8, 0}) m.push_back(static_cast<unsigned char>(n >> shift));
  m.insert(m.end(), t.begin(), t.end());
  return m;
}

struct MixResult {
  const char* name;
  double cpuPercent = 0, realtime = 0;
  bool ran = false;
};

// Mixes seconds of audio in blocks of the game buffer; the best of runs.
template <class Setup>
MixResult measureMix(const char* name, Setup setup, unsigned flags = 0, double seconds = 10.0, int runs = 3) {
  MixResult best{name};
  for (int run = 0; run < runs; ++run) {
    SoundEngine engine;
    engine.init(kMixRate, kMixChannels, kNoOutput | flags);
    if (!setup(engine)) return best;
    std::vector<float> out(2 * kGameBufferFrames);
    const int blocks = static_cast<int>(seconds * kMixRate / kGameBufferFrames);
    double start = threadCpuSeconds();
    for (int b = 0; b < blocks; ++b) engine.render(out.data(), kGameBufferFrames);
    double cpu = threadCpuSeconds() - start;
    double audio = static_cast<double>(blocks) * kGameBufferFrames / kMixRate;
    double percent = 100.0 * cpu / audio;
    if (!best.ran || percent < best.cpuPercent) best = {name, percent, audio / cpu, true};
  }
  return best;
}

struct Latency {
  int bufferFrames = 0;
  double medianMs = 0, worstMs = 0;
};

Latency measureLatency(int requestFrames, const std::string& tone) {
  SoundEngine engine;
  engine.init(kMixRate, kMixChannels, kNoOutput);
  SampleId sample = engine.loadSample(tone, kLoadMode);
  using Clock = std::chrono::steady_clock;
  std::atomic<bool> armed{false};
  std::atomic<int64_t> heardAt{0};
  std::string problem;
  auto output = openSdlOutput(kMixRate, requestFrames, "", [&](float* out, int frames) {
    engine.render(out, frames);
    if (!armed.load()) return;
    for (int i = 0; i < 2 * frames; ++i)
      if (out[i] != 0.0f) {
        heardAt.store(Clock::now().time_since_epoch().count());
        armed.store(false);
        return;
      }
  }, problem);
  Latency l;
  if (!output) return l;
  l.bufferFrames = output->bufferFrames();
  std::mt19937 random(7);
  std::vector<double> ms;
  for (int trial = 0; trial < 25; ++trial) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 60));
    heardAt.store(0);
    armed.store(true);
    auto start = Clock::now();
    int ch = engine.playSample(kAnyChannel, sample);
    while (heardAt.load() == 0 && Clock::now() - start < std::chrono::seconds(2))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    engine.stopChannel(ch);
    if (heardAt.load() == 0) continue;
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::duration(heardAt.load()) - start.time_since_epoch())
                     .count());
  }
  if (ms.empty()) return l;
  std::sort(ms.begin(), ms.end());
  l.medianMs = ms[ms.size() / 2];
  l.worstMs = ms.back();
  return l;
}

}  // namespace

int main() {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  Dir dir;
  const std::string sampleFile = dir.path + "/stereo.wav";
  const std::string modFile = dir.path + "/busy.mod";
  const std::string midiFile = dir.path + "/busy.mid";
  if (!writeStereoTone(sampleFile, 32000, 32000 * 3)) {
    std::fprintf(stderr, "cannot write %s\n", sampleFile.c_str());
    return 1;
  }
  writeFile(modFile, busyModule());
  writeFile(midiFile, busyMidi());

  const std::string loudFile = dir.path + "/loud.wav";
  if (!writeStereoTone(loudFile, 32000, 32000 * 3, 0.5f)) {
    std::fprintf(stderr, "cannot write %s\n", loudFile.c_str());
    return 1;
  }
  auto samples = [&](const std::string& file) {
    return [&, file](SoundEngine& e) {
      SampleId s = e.loadSample(file, kLoadMode);
      e.setSampleLoopMode(s, kLoopNormal);
      for (int i = 0; i < kMixChannels; ++i) {
        int ch = e.playSample(kAnyChannel, s);
        if (ch < 0) return false;
        e.setChannelFrequency(ch, 22050 + i * 997);
        e.setChannelPan(ch, i * 8);
      }
      return true;
    };
  };

  std::vector<MixResult> results;
  results.push_back(measureMix("32 resampled stereo samples", samples(sampleFile)));
  // The master bus's limiter: its cost when idle (the row above against this one) and when
  // every block needs it (32 loud sounds summing far beyond full scale).
  results.push_back(measureMix("32 samples, no limiter", samples(sampleFile), kNoLimiter));
  results.push_back(measureMix("32 loud samples, limiting", samples(loudFile)));
  results.push_back(measureMix("32 resampled stereo streams", [&](SoundEngine& e) {
    for (int i = 0; i < kMixChannels; ++i) {
      StreamId st = e.openStream(sampleFile, kLoopNormal);
      int ch = e.playStream(kAnyChannel, st);
      if (ch < 0) return false;
      e.setChannelFrequency(ch, 22050 + i * 997);
    }
    return true;
  }));
  results.push_back(measureMix("tracker module (4 channels)", [&](SoundEngine& e) {
    SongId song = e.loadSong(modFile);
    return song && e.playSong(song);
  }));
  if (!findSoundFont().empty())
    results.push_back(measureMix("MIDI song (4-note chords)", [&](SoundEngine& e) {
      SongId song = e.loadSong(midiFile);
      return song && e.playSong(song);
    }));

  std::printf("\nMixing at %d Hz in blocks of %d frames (best of 3 runs of 10 s of audio)\n", kMixRate,
              kGameBufferFrames);
  std::printf("%-32s %14s %16s\n", "load", "% of one core", "realtime factor");
  for (const MixResult& r : results) {
    if (r.ran)
    {
      std::printf("%-32s %13.2f%% %15.0fx\n", r.name, r.cpuPercent, r.realtime);
      korva::bench::compare(std::string("audio: mixing ") + r.name + " vs real time", r.realtime, 1.0, "x",
                            korva::bench::Better::Higher);
    }
    else
      std::printf("%-32s %14s\n", r.name, "(could not run)");
  }
  // The budget the mixer must stay within on a player's machine.
  for (const MixResult& r : results)
    if (r.ran && std::string(r.name) == "32 loud samples, limiting")
      korva::bench::compare("audio: mixer share of a core, 32 loud channels limited vs 2% budget", r.cpuPercent, 2.0,
                            "%", korva::bench::Better::Lower);

  std::printf("\nLatency from playing a sample to its first mixing pass (SDL '%s' device, 25 plays)\n",
              std::getenv("SDL_AUDIODRIVER"));
  std::printf("%-22s %8s %8s %12s %12s %20s\n", "buffer", "frames", "ms", "median ms", "worst ms",
              "est. heard after ms");
  for (auto [label, request] : {std::pair{"SDL default", 0}, std::pair{"game buffer", kGameBufferFrames}}) {
    Latency l = measureLatency(request, sampleFile);
    if (l.bufferFrames == 0) {
      std::printf("%-22s (no audio device)\n", label);
      continue;
    }
    double bufferMs = 1000.0 * l.bufferFrames / kMixRate;
    std::printf("%-22s %8d %8.1f %12.1f %12.1f %20.1f\n", label, l.bufferFrames, bufferMs, l.medianMs, l.worstMs,
                l.medianMs + bufferMs);
    korva::bench::compare(std::string("audio: play to first mix, ") + label + " vs one buffer", l.medianMs, bufferMs,
                          "ms", korva::bench::Better::Lower);
  }
  return 0;
}
