// The engine's start and end, the mix, samples and channels. The state and its rules:
// private/engine_state.h.
#include "soundengine/sound_engine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "soundengine/private/engine_state.h"

namespace korva::sound {

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
    s.limiter.configure(s.rate);
    s.limited = (flags & kNoLimiter) == 0;
  }
  s.driven = (flags & kNoOutput) != 0;
  if (flags & (kNoOutput | kDeferOutput)) return true;
  return startOutput();
}

bool SoundEngine::startOutput() {
  State& s = *state_;
  // An engine its caller drives (tests, benchmarks) never gets an output of its own.
  if (s.driven) return false;
  if (s.output) return s.output->isDevice();
  RenderFn render = [this](float* out, int frames) { this->render(out, frames); };
  const OutputChoice choice = outputChoiceFromEnvironment();
  const int frames = choice.bufferFrames > 0 ? choice.bufferFrames : s.bufferRequest;
  s.output = openSdlOutput(s.rate, frames, choice.device, render, s.outputProblem);
  if (!s.output && !choice.device.empty()) {
    std::fprintf(stderr, "korva: cannot play on the audio device \"%s\" (%s); the default device plays instead. "
                 "Devices: %s\n", choice.device.c_str(), s.outputProblem.c_str(), outputDeviceNames().c_str());
    s.output = openSdlOutput(s.rate, frames, "", render, s.outputProblem);
  }
  if (s.output) return true;
  s.output = openNullOutput(s.rate, frames ? frames : kGameBufferFrames, render);
  return false;
}

bool parseBufferFrames(const std::string& text, int& frames) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const int value = std::stoi(text);
  if (value < kMinBufferFrames || value > kMaxBufferFrames) return false;
  frames = value;
  return true;
}

OutputChoice outputChoiceFromEnvironment() {
  OutputChoice choice;
  if (const char* buffer = std::getenv("KORVA_AUDIO_BUFFER"); buffer && *buffer) {
    if (!parseBufferFrames(buffer, choice.bufferFrames))
      std::fprintf(stderr, "korva: KORVA_AUDIO_BUFFER=%s is not a number of frames from %d to %d; ignored\n", buffer,
                   kMinBufferFrames, kMaxBufferFrames);
  }
  if (const char* device = std::getenv("KORVA_AUDIO_DEVICE")) choice.device = device;
  return choice;
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
    if (s.limited) s.limiter.process(out, frames);
  } catch (...) {
    // Called from the output's thread: whatever failed, the device gets silence rather
    // than an exception it cannot handle.
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
  }
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

}  // namespace korva::sound
