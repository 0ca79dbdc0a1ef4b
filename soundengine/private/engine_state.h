// The engine's state and its one lock. Commands change the state under the lock and never
// wait for decoding; the mixer copies what it needs under the lock, mixes without it, and
// writes positions and endings back under it again, unless a command has meanwhile given
// the channel something else to play (its serial changed). So the lock is only ever held
// for a few hundred bytes of copying, and a channel is never seen half-updated. A lock
// rather than a command queue: queries (is it playing, the sample's defaults) must answer
// from the state as it is now, and a queue push would cost as much as this copy.
#pragma once

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "soundengine/private/limiter.h"
#include "soundengine/private/output.h"
#include "soundengine/private/resampler.h"
#include "soundengine/private/sample_data.h"
#include "soundengine/private/songs.h"
#include "soundengine/private/stream_decoder.h"
#include "soundengine/sound_engine.h"

namespace korva::sound {
namespace engine {

constexpr int kMixBlock = 512;
// A channel id is the voice's index and, above it, a tag from the voice's serial, so an id
// goes stale once its sound has ended or the voice has been given to another.
constexpr int kIndexBits = 8;
constexpr int kMaxChannels = 1 << kIndexBits;
constexpr uint32_t kIndexMask = kMaxChannels - 1;
constexpr uint32_t kTagMask = (1u << (31 - kIndexBits)) - 1;
// Far beyond any use, low enough that positions cannot overflow.
constexpr int kMaxFrequency = 1 << 22;

struct StreamEntry {
  std::unique_ptr<StreamDecoder> decoder;  // mixing thread only, once playing
  int rate = 0;
  int channel = -1;  // the channel id it last started on
};

struct SongEntry {
  std::unique_ptr<Song> song;  // mixing thread only
  uint32_t serial = 0;
  bool playing = false, paused = false, restart = false;
  int volume = 255;
};

struct SampleEntry {
  std::shared_ptr<const SampleData> data;
  SampleDefaults defaults;
  int loopMode = kLoopOff;
};

struct Voice {
  uint32_t serial = 0;  // changes whenever the voice is given something else or stopped
  std::shared_ptr<const SampleData> sample;
  std::shared_ptr<StreamEntry> stream;
  bool loop = false;
  bool paused = false;
  bool rewind = false;  // the stream starts from its beginning at the next mix
  uint64_t pos = 0;     // samples only; a stream keeps its own
  int frequency = 0, volume = 255, pan = 128;

  bool busy() const { return sample || stream; }
  void clear() {
    sample.reset();
    stream.reset();
    ++serial;
  }
};

// What the mixer took for one block.
struct VoiceMix {
  int index;
  uint32_t serial;
  std::shared_ptr<const SampleData> sample;
  std::shared_ptr<StreamEntry> stream;
  bool loop, rewind;
  uint64_t pos, step;
  Gains gains;
  bool ended;
};

struct SongMix {
  std::shared_ptr<SongEntry> entry;
  uint32_t serial;
  float gain;
  bool restart, ended;
};

}  // namespace engine

using namespace engine;

struct SoundEngine::State {
  std::mutex renderLock;  // one mix at a time; commands never take it
  mutable std::mutex lock;
  // Under lock:
  int rate = kMixRate;
  std::vector<Voice> voices = std::vector<Voice>(kMixChannels);
  std::unordered_map<uint32_t, SampleEntry> samples;
  std::unordered_map<uint32_t, std::shared_ptr<StreamEntry>> streams;
  std::unordered_map<uint32_t, std::shared_ptr<SongEntry>> songs;
  uint32_t nextId = 0;
  CdState cd;
  // Only init and close (the command side) touch these.
  int bufferRequest = kGameBufferFrames;
  std::unique_ptr<Output> output;
  std::string outputProblem;
  bool driven = false;  // kNoOutput: the caller calls render itself
  // Mixing thread only (under renderLock).
  std::vector<VoiceMix> voiceMix;
  std::vector<SongMix> songMix;
  std::vector<float> songBuffer = std::vector<float>(2 * kMixBlock);
  PeakLimiter limiter{kMixRate};
  bool limited = true;

  uint32_t newId() { return ++nextId ? nextId : ++nextId; }
  Voice* at(size_t index) { return index < voices.size() ? &voices[index] : nullptr; }
  // The voice a channel id names, while it still plays what the id was given for.
  Voice* voice(int id) {
    if (id < 0) return nullptr;
    Voice* v = at(static_cast<size_t>(id) & kIndexMask);
    return v && (v->serial & kTagMask) == static_cast<uint32_t>(id) >> kIndexBits ? v : nullptr;
  }
  int idOf(const Voice* v) const {
    return static_cast<int>((v->serial & kTagMask) << kIndexBits | static_cast<uint32_t>(v - voices.data()));
  }
  // The voice to start something on: the one asked for (by index), or the first idle one.
  // It is cleared, so ids given out for it before stop reaching it.
  Voice* claim(int channel) {
    Voice* v = nullptr;
    if (channel == kAnyChannel) {
      for (Voice& candidate : voices)
        if (!candidate.busy()) {
          v = &candidate;
          break;
        }
    } else if (channel >= 0) {
      v = at(static_cast<size_t>(channel));
    }
    if (v) v->clear();
    return v;
  }
  Voice* streamVoice(const std::shared_ptr<StreamEntry>& s) {
    Voice* v = voice(s->channel);
    return v && v->stream == s ? v : nullptr;
  }
  void mixBlock(float* out, int n);
};


}  // namespace korva::sound
