// Streamed files, songs and the CD's state, over the engine's state (private/engine_state.h).
#include <algorithm>

#include "core/package_folder.h"
#include "soundengine/private/engine_state.h"
#include "soundengine/sound_engine.h"

namespace korva::sound {

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
  if (std::string packaged = packagedFile(kPackagedSoundFont); !packaged.empty()) return packaged;
  static const char* const kPlaces[] = {
      "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/soundfonts/default.sf2",    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
  };
  for (const char* place : kPlaces)
    if (access(place, R_OK) == 0) return place;
  return "";
}

}  // namespace korva::sound
