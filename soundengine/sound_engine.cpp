// The engine's state and its one lock. Commands change the state under the lock and never
// wait for decoding; the mixer copies what it needs under the lock, mixes without it, and
// writes positions and endings back under it again, unless a command has meanwhile given
// the channel something else to play (its serial changed). So the lock is only ever held
// for a few hundred bytes of copying, and a channel is never seen half-updated. A lock
// rather than a command queue: queries (is it playing, the sample's defaults) must answer
// from the state as it is now, and a queue push would cost as much as this copy.
#include "soundengine/sound_engine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "soundengine/private/output.h"
#include "soundengine/private/resampler.h"
#include "soundengine/private/sample_data.h"
#include "soundengine/private/songs.h"
#include "soundengine/private/stream_decoder.h"

namespace korva::sound {
namespace {

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

}  // namespace

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
  // Mixing thread only (under renderLock).
  std::vector<VoiceMix> voiceMix;
  std::vector<SongMix> songMix;
  std::vector<float> songBuffer = std::vector<float>(2 * kMixBlock);

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

SoundEngine::SoundEngine() : state_(std::make_unique<State>()) {}
SoundEngine::~SoundEngine() { close(); }

void SoundEngine::setOutputBuffer(int frames) { state_->bufferRequest = std::clamp(frames, 0, 32768); }

bool SoundEngine::init(int rate, int channels, unsigned flags) {
  State& s = *state_;
  close();
  {
    std::lock_guard<std::mutex> mixing(s.renderLock);
    std::lock_guard<std::mutex> lock(s.lock);
    s.rate = std::clamp(rate, 8000, 192000);
    s.voices.assign(static_cast<size_t>(std::clamp(channels, 1, kMaxChannels)), Voice{});
    s.voiceMix.reserve(s.voices.size());
  }
  if (flags & (kNoOutput | kDeferOutput)) return true;
  return startOutput();
}

bool SoundEngine::startOutput() {
  State& s = *state_;
  if (s.output) return s.output->isDevice();
  RenderFn render = [this](float* out, int frames) { this->render(out, frames); };
  s.output = openSdlOutput(s.rate, s.bufferRequest, render, s.outputProblem);
  if (s.output) return true;
  s.output = openNullOutput(s.rate, s.bufferRequest ? s.bufferRequest : kGameBufferFrames, render);
  return false;
}

std::string SoundEngine::outputProblem() const { return state_->outputProblem; }

void SoundEngine::close() {
  State& s = *state_;
  s.output.reset();
  // Released outside the lock: freeing decoders and samples can take a while.
  std::unordered_map<uint32_t, SampleEntry> samples;
  std::unordered_map<uint32_t, std::shared_ptr<StreamEntry>> streams;
  std::unordered_map<uint32_t, std::shared_ptr<SongEntry>> songs;
  std::vector<Voice> voices;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    voices.swap(s.voices);
    s.voices.resize(voices.size());
    samples.swap(s.samples);
    streams.swap(s.streams);
    songs.swap(s.songs);
    s.cd = CdState{};
  }
}

int SoundEngine::rate() const {
  std::lock_guard<std::mutex> lock(state_->lock);
  return state_->rate;
}

int SoundEngine::channels() const {
  std::lock_guard<std::mutex> lock(state_->lock);
  return static_cast<int>(state_->voices.size());
}

int SoundEngine::outputBufferFrames() const { return state_->output ? state_->output->bufferFrames() : 0; }

void SoundEngine::render(float* out, int frames) {
  State& s = *state_;
  std::fill(out, out + 2 * static_cast<size_t>(std::max(frames, 0)), 0.0f);
  try {
    std::lock_guard<std::mutex> mixing(s.renderLock);
    for (int done = 0; done < frames;) {
      int n = std::min(frames - done, kMixBlock);
      s.mixBlock(out + 2 * done, n);
      done += n;
    }
  } catch (...) {
    // Called from the output's thread: whatever failed, the device gets silence rather
    // than an exception it cannot handle.
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
    return;
  }
  for (float* p = out; p < out + 2 * frames; ++p) *p = std::clamp(*p, -1.0f, 1.0f);
}

void SoundEngine::State::mixBlock(float* out, int n) {
  voiceMix.clear();
  songMix.clear();
  {
    std::lock_guard<std::mutex> guard(lock);
    for (size_t i = 0; i < voices.size(); ++i) {
      Voice& v = voices[i];
      // A voice at 0 Hz holds its place in silence rather than repeating one value.
      if (!v.busy() || v.paused || v.frequency <= 0) continue;
      voiceMix.push_back({static_cast<int>(i), v.serial, v.sample, v.stream, v.loop, v.rewind, v.pos,
                          stepFor(v.frequency, rate), gainsFor(v.volume, v.pan), false});
      v.rewind = false;
    }
    for (auto& [id, song] : songs) {
      if (!song->playing || song->paused) continue;
      songMix.push_back({song, song->serial, static_cast<float>(song->volume) / 255.0f, song->restart, false});
      song->restart = false;
    }
  }

  for (VoiceMix& m : voiceMix) {
    if (m.sample) {
      m.ended = !mixSample(*m.sample, m.loop, m.pos, m.step, m.gains, out, n);
    } else {
      StreamDecoder& d = *m.stream->decoder;
      if (m.rewind) d.rewind();
      m.ended = !d.mix(m.step, m.gains, out, n);
    }
  }
  for (SongMix& m : songMix) {
    Song& song = *m.entry->song;
    if (m.restart) song.rewind();
    size_t got = song.render(songBuffer.data(), static_cast<size_t>(n));
    for (size_t i = 0; i < 2 * got; ++i) out[i] += songBuffer[i] * m.gain;
    m.ended = got < static_cast<size_t>(n);
  }

  {
    std::lock_guard<std::mutex> guard(lock);
    for (const VoiceMix& m : voiceMix) {
      Voice* v = at(static_cast<size_t>(m.index));
      if (!v || v->serial != m.serial) continue;
      if (m.ended)
        v->clear();
      else
        v->pos = m.pos;
    }
    for (const SongMix& m : songMix)
      if (m.ended && m.entry->serial == m.serial) m.entry->playing = false;
  }
  // The last references to freed sounds may go here, outside the lock.
  voiceMix.clear();
  songMix.clear();
}

SampleId SoundEngine::loadSample(const std::string& path, unsigned mode) {
  auto data = decodeSample(path, kMaxSampleFrames);
  if (!data) return 0;
  SampleEntry entry;
  entry.defaults.frequency = data->rate;
  entry.loopMode = (mode & kLoopNormal) ? kLoopNormal : kLoopOff;
  entry.data = std::move(data);
  std::lock_guard<std::mutex> lock(state_->lock);
  SampleId id = state_->newId();
  state_->samples.emplace(id, std::move(entry));
  return id;
}

void SoundEngine::freeSample(SampleId sample) {
  std::shared_ptr<const SampleData> data;
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->samples.find(sample);
  if (it == state_->samples.end()) return;
  // A freed sound stops, so a looping one does not go on for ever with no way to reach it.
  for (Voice& v : state_->voices)
    if (v.sample == it->second.data) v.clear();
  data = std::move(it->second.data);  // released once the lock is
  state_->samples.erase(it);
}

bool SoundEngine::sampleDefaults(SampleId sample, SampleDefaults& out) const {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->samples.find(sample);
  if (it == state_->samples.end()) return false;
  out = it->second.defaults;
  return true;
}

void SoundEngine::setSampleDefaults(SampleId sample, const SampleDefaults& d) {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->samples.find(sample);
  if (it != state_->samples.end()) it->second.defaults = d;
}

void SoundEngine::setSampleLoopMode(SampleId sample, int mode) {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->samples.find(sample);
  if (it != state_->samples.end()) it->second.loopMode = mode == kLoopNormal ? kLoopNormal : kLoopOff;
}

int SoundEngine::sampleLoopMode(SampleId sample) const {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->samples.find(sample);
  return it == state_->samples.end() ? 0 : it->second.loopMode;
}

int SoundEngine::playSample(int channel, SampleId sample) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.lock);
  auto it = s.samples.find(sample);
  if (it == s.samples.end()) return -1;
  Voice* v = s.claim(channel);
  if (!v) return -1;
  const SampleEntry& e = it->second;
  v->sample = e.data;
  v->loop = e.loopMode == kLoopNormal;
  v->paused = false;
  v->rewind = false;
  v->pos = 0;
  v->frequency = std::clamp(e.defaults.frequency, 0, kMaxFrequency);
  v->volume = std::clamp(e.defaults.volume, 0, 255);
  v->pan = std::clamp(e.defaults.pan, 0, 255);
  return s.idOf(v);
}

void SoundEngine::stopChannel(int channel) {
  std::lock_guard<std::mutex> lock(state_->lock);
  if (Voice* v = state_->voice(channel)) v->clear();
}

void SoundEngine::setChannelPaused(int channel, bool paused) {
  std::lock_guard<std::mutex> lock(state_->lock);
  if (Voice* v = state_->voice(channel)) v->paused = paused;
}

void SoundEngine::setChannelFrequency(int channel, int hz) {
  std::lock_guard<std::mutex> lock(state_->lock);
  if (Voice* v = state_->voice(channel)) v->frequency = std::clamp(hz, 0, kMaxFrequency);
}

void SoundEngine::setChannelVolume(int channel, int volume) {
  std::lock_guard<std::mutex> lock(state_->lock);
  if (Voice* v = state_->voice(channel)) v->volume = std::clamp(volume, 0, 255);
}

void SoundEngine::setChannelPan(int channel, int pan) {
  std::lock_guard<std::mutex> lock(state_->lock);
  if (Voice* v = state_->voice(channel)) v->pan = std::clamp(pan, 0, 255);
}

bool SoundEngine::channelIsPlaying(int channel) const {
  std::lock_guard<std::mutex> lock(state_->lock);
  const Voice* v = state_->voice(channel);
  return v && v->busy();
}

StreamId SoundEngine::openStream(const std::string& path, unsigned mode) {
  auto decoder = StreamDecoder::open(path, (mode & kLoopNormal) != 0);
  if (!decoder) return 0;
  auto entry = std::make_shared<StreamEntry>();
  entry->rate = decoder->rate();
  entry->decoder = std::move(decoder);
  std::lock_guard<std::mutex> lock(state_->lock);
  StreamId id = state_->newId();
  state_->streams.emplace(id, std::move(entry));
  return id;
}

int SoundEngine::playStream(int channel, StreamId stream) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.lock);
  auto it = s.streams.find(stream);
  if (it == s.streams.end()) return -1;
  const std::shared_ptr<StreamEntry>& e = it->second;
  if (Voice* old = s.streamVoice(e)) old->clear();
  Voice* v = s.claim(channel);
  if (!v) return -1;
  v->stream = e;
  v->loop = false;
  v->paused = false;
  v->rewind = true;
  v->pos = 0;
  v->frequency = std::clamp(e->rate, 0, kMaxFrequency);
  v->volume = 255;
  v->pan = 128;
  e->channel = s.idOf(v);
  return e->channel;
}

void SoundEngine::stopStream(StreamId stream) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.lock);
  auto it = s.streams.find(stream);
  if (it == s.streams.end()) return;
  if (Voice* v = s.streamVoice(it->second)) v->clear();
}

void SoundEngine::setStreamPaused(StreamId stream, bool paused) {
  State& s = *state_;
  std::lock_guard<std::mutex> lock(s.lock);
  auto it = s.streams.find(stream);
  if (it == s.streams.end()) return;
  if (Voice* v = s.streamVoice(it->second)) v->paused = paused;
}

void SoundEngine::closeStream(StreamId stream) {
  State& s = *state_;
  std::shared_ptr<StreamEntry> closing;
  std::lock_guard<std::mutex> lock(s.lock);
  auto it = s.streams.find(stream);
  if (it == s.streams.end()) return;
  if (Voice* v = s.streamVoice(it->second)) v->clear();
  closing = std::move(it->second);
  s.streams.erase(it);
}

SongId SoundEngine::loadSong(const std::string& path) {
  auto song = sound::loadSong(path, rate());
  if (!song) return 0;
  auto entry = std::make_shared<SongEntry>();
  entry->song = std::move(song);
  std::lock_guard<std::mutex> lock(state_->lock);
  SongId id = state_->newId();
  state_->songs.emplace(id, std::move(entry));
  return id;
}

bool SoundEngine::playSong(SongId song) {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->songs.find(song);
  if (it == state_->songs.end()) return false;
  SongEntry& e = *it->second;
  ++e.serial;
  e.playing = e.restart = true;
  e.paused = false;
  return true;
}

void SoundEngine::stopSong(SongId song) {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->songs.find(song);
  if (it == state_->songs.end()) return;
  ++it->second->serial;
  it->second->playing = false;
}

void SoundEngine::setSongPaused(SongId song, bool paused) {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->songs.find(song);
  if (it != state_->songs.end()) it->second->paused = paused;
}

void SoundEngine::setSongMasterVolume(SongId song, int volume) {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->songs.find(song);
  if (it != state_->songs.end()) it->second->volume = std::clamp(volume, 0, 255);
}

bool SoundEngine::songIsPlaying(SongId song) const {
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->songs.find(song);
  return it != state_->songs.end() && it->second->playing;
}

void SoundEngine::freeSong(SongId song) {
  std::shared_ptr<SongEntry> freeing;
  std::lock_guard<std::mutex> lock(state_->lock);
  auto it = state_->songs.find(song);
  if (it == state_->songs.end()) return;
  freeing = std::move(it->second);
  state_->songs.erase(it);
}

void SoundEngine::cdStop() {
  std::lock_guard<std::mutex> lock(state_->lock);
  state_->cd.playing = false;
  state_->cd.paused = false;
}

void SoundEngine::cdSetPaused(bool paused) {
  std::lock_guard<std::mutex> lock(state_->lock);
  state_->cd.paused = paused;
}

void SoundEngine::cdSetVolume(int volume) {
  std::lock_guard<std::mutex> lock(state_->lock);
  state_->cd.volume = std::clamp(volume, 0, 255);
}

void SoundEngine::cdSetPlayMode(int mode) {
  std::lock_guard<std::mutex> lock(state_->lock);
  state_->cd.playMode = mode;
}

void SoundEngine::cdPlay(int track) {
  std::lock_guard<std::mutex> lock(state_->lock);
  state_->cd.track = track;
  state_->cd.playing = true;
  state_->cd.paused = false;
}

CdState SoundEngine::cd() const {
  std::lock_guard<std::mutex> lock(state_->lock);
  return state_->cd;
}

std::string findSoundFont() {
  if (const char* chosen = std::getenv("KORVA_SOUNDFONT")) return access(chosen, R_OK) == 0 ? chosen : "";
  static const char* const kPlaces[] = {
      "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/soundfonts/default.sf2",    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
  };
  for (const char* place : kPlaces)
    if (access(place, R_OK) == 0) return place;
  return "";
}

}  // namespace korva::sound
