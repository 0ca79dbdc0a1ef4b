#include "audio/driver/channels.h"

namespace korva::audio {

void SampleChannel::stop() { engine_.stopChannel(index_); }
void SampleChannel::setPaused(bool paused) { engine_.setChannelPaused(index_, paused); }
void SampleChannel::setPitch(int hz) { engine_.setChannelFrequency(index_, hz); }
void SampleChannel::setVolume(float volume) { engine_.setChannelVolume(index_, volumeUnits(volume)); }
void SampleChannel::setPan(float pan) { engine_.setChannelPan(index_, panUnits(pan)); }
bool SampleChannel::playing() const { return engine_.channelIsPlaying(index_); }

StreamChannel::~StreamChannel() { engine_.closeStream(stream_); }
void StreamChannel::play() { index_ = engine_.playStream(sound::kAnyChannel, stream_); }
void StreamChannel::stop() {
  engine_.stopStream(stream_);
  index_ = -1;
}
void StreamChannel::setPaused(bool paused) { engine_.setStreamPaused(stream_, paused); }
void StreamChannel::setPitch(int hz) { engine_.setChannelFrequency(index_, hz); }
void StreamChannel::setVolume(float volume) { engine_.setChannelVolume(index_, volumeUnits(volume)); }
void StreamChannel::setPan(float pan) { engine_.setChannelPan(index_, panUnits(pan)); }
bool StreamChannel::playing() const { return engine_.channelIsPlaying(index_); }
void StreamChannel::restart() {
  stop();
  play();
}

SongChannel::~SongChannel() { engine_.freeSong(song_); }
void SongChannel::stop() { engine_.stopSong(song_); }
void SongChannel::setPaused(bool paused) { engine_.setSongPaused(song_, paused); }
void SongChannel::setVolume(float volume) { engine_.setSongMasterVolume(song_, volumeUnits(volume)); }
bool SongChannel::playing() const { return engine_.songIsPlaying(song_); }
void SongChannel::restart() { engine_.playSong(song_); }

void CdChannel::stop() { engine_.cdStop(); }
void CdChannel::setPaused(bool paused) { engine_.cdSetPaused(paused); }
void CdChannel::setVolume(float volume) { engine_.cdSetVolume(volumeUnits(volume)); }

}  // namespace korva::audio
