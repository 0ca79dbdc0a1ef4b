#include "audio/driver/audio_driver.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "audio/driver/channels.h"
#include "core/handles.h"

namespace korva::audio {
namespace {

// Truncation toward zero that cannot overflow: out-of-range floats would be undefined.
int truncateToInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0f) return std::numeric_limits<int>::max();
  if (v <= -2147483648.0f) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

}  // namespace

int volumeUnits(float volume) { return truncateToInt(volume * 255.0f); }
int panUnits(float pan) { return truncateToInt((pan + 1.0f) * 127.5f); }

bool isStreamedName(const std::string& file) {
  for (const char* text : {".raw", ".wav", ".mp2", ".mp3", ".wma", ".asf"})
    if (file.find(text) != std::string::npos) return true;
  return false;
}

Sound::Sound(AudioDriver& driver, sound::SampleId sample) : driver_(driver), sample_(sample) {
  sound::SampleDefaults d;
  driver_.engine().sampleDefaults(sample_, d);
  frequency_ = d.frequency;
  volume_ = d.volume;
  pan_ = d.pan;
  priority_ = d.priority;
}

void Sound::setPitch(int hz) {
  frequency_ = hz;
  inSync_ = false;
}

void Sound::setVolume(float volume) {
  volume_ = volumeUnits(volume);
  inSync_ = false;
}

void Sound::setPan(float pan) {
  pan_ = panUnits(pan);
  inSync_ = false;
}

void Sound::setLoop() { driver_.engine().setSampleLoopMode(sample_, sound::kLoopNormal); }

void Sound::applyDefaults() {
  if (inSync_) return;
  driver_.engine().setSampleDefaults(sample_, {frequency_, volume_, pan_, priority_});
  inSync_ = true;
}

std::unique_ptr<AudioDriver> AudioDriver::start() {
  auto engine = std::make_unique<sound::SoundEngine>();
  engine->init(sound::kMixRate, sound::kMixChannels, sound::kDeferOutput);
  return std::make_unique<AudioDriver>(std::move(engine));
}

AudioDriver::AudioDriver(std::unique_ptr<sound::SoundEngine> engine) : engine_(std::move(engine)) {
  cd_ = add(std::make_unique<CdChannel>(*engine_));
}

AudioDriver::~AudioDriver() {
  while (!channels_.empty()) {
    Handles::remove(channels_.back()->handle());
    channels_.pop_back();
  }
  std::vector<uint32_t> live;
  for (auto& [handle, sound] : sounds_) live.push_back(handle);
  for (uint32_t handle : live) freeSound(handle);
  pool_.clear();
  music_.clear();
  engine_->close();
}

Channel* AudioDriver::add(std::unique_ptr<Channel> channel) {
  Channel* c = channel.get();
  c->handle_ = Handles::add(HandleKind::Channel, c);
  channels_.push_back(std::move(channel));
  return c;
}

void AudioDriver::useSound() {
  if (soundUsed_) return;
  soundUsed_ = true;
  // Without a device the engine plays into nothing, so sounds still start and end.
  if (!engine_->startOutput() && !engine_->outputProblem().empty())
    std::fprintf(stderr, "korva: sound is off: %s\n", engine_->outputProblem().c_str());
}

Sound* AudioDriver::loadSound(const std::string& file) {
  useSound();
  sound::SampleId sample = engine_->loadSample(file, sound::kLoadMode);
  if (!sample) return nullptr;
  std::unique_ptr<Sound> s(new Sound(*this, sample));
  Sound* raw = s.get();
  raw->handle_ = Handles::add(HandleKind::Sound, raw);
  sounds_.emplace(raw->handle_, std::move(s));
  return raw;
}

void AudioDriver::freeSound(uint32_t handle) {
  auto it = sounds_.find(handle);
  if (it == sounds_.end()) return;
  Handles::remove(handle);
  engine_->freeSample(it->second->sample());
  sounds_.erase(it);
}

Sound* AudioDriver::isSound(uint32_t handle) const {
  auto it = sounds_.find(handle);
  return it == sounds_.end() ? nullptr : it->second.get();
}

Channel* AudioDriver::playSound(Sound& sound) {
  sound.applyDefaults();
  int index = engine_->playSample(sound::kAnyChannel, sound.sample());
  if (index < 0) return nullptr;
  SampleChannel* channel = nullptr;
  for (SampleChannel* pooled : pool_)
    if (!pooled->playing()) {
      channel = pooled;
      break;
    }
  if (!channel) {
    channel = static_cast<SampleChannel*>(add(std::make_unique<SampleChannel>(*engine_)));
    pool_.push_back(channel);
  }
  channel->setIndex(index);
  return channel;
}

Channel* AudioDriver::playMusic(const std::string& file) {
  useSound();
  if (auto it = music_.find(file); it != music_.end()) {
    it->second->restart();
    return it->second;
  }
  Channel* channel = nullptr;
  if (!isStreamedName(file)) {
    sound::SongId song = engine_->loadSong(file);
    if (!song) return nullptr;
    channel = add(std::make_unique<SongChannel>(*engine_, song));
    engine_->playSong(song);
  } else {
    sound::StreamId stream = engine_->openStream(file, sound::kLoadMode);
    if (!stream) return nullptr;
    auto* s = static_cast<StreamChannel*>(add(std::make_unique<StreamChannel>(*engine_, stream)));
    s->play();
    channel = s;
  }
  music_.emplace(file, channel);
  return channel;
}

Channel* AudioDriver::playCDTrack(int track, int mode) {
  cd_->stop();
  engine_->cdSetPlayMode(mode == 2 ? 2 : mode == 3 ? 0 : 1);
  engine_->cdPlay(track);
  return cd_;
}

}  // namespace korva::audio
