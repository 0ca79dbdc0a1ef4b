// The four kinds of channel. Each holds what the engine knows it by: a channel id
// (samples, streams), a stream, a song; the CD has no engine object at all.
#pragma once
#include "audio/driver/audio_driver.h"

namespace korva::audio {

class SampleChannel : public Channel {
 public:
  explicit SampleChannel(sound::SoundEngine& e) : engine_(e) {}
  void setIndex(int index) { index_ = index; }
  int index() const { return index_; }
  void stop() override;
  void setPaused(bool paused) override;
  void setPitch(int hz) override;
  void setVolume(float volume) override;
  void setPan(float pan) override;
  bool playing() const override;

 private:
  sound::SoundEngine& engine_;
  int index_ = -1;
};

class StreamChannel : public Channel {
 public:
  StreamChannel(sound::SoundEngine& e, sound::StreamId s) : engine_(e), stream_(s) {}
  ~StreamChannel() override;
  // Plays the stream from its start on any free channel.
  void play();
  int index() const { return index_; }
  void stop() override;
  void setPaused(bool paused) override;
  void setPitch(int hz) override;
  void setVolume(float volume) override;
  void setPan(float pan) override;
  bool playing() const override;
  void restart() override;

 private:
  sound::SoundEngine& engine_;
  sound::StreamId stream_;
  int index_ = -1;
};

class SongChannel : public Channel {
 public:
  SongChannel(sound::SoundEngine& e, sound::SongId s) : engine_(e), song_(s) {}
  ~SongChannel() override;
  void stop() override;
  void setPaused(bool paused) override;
  void setPitch(int) override {}
  void setVolume(float volume) override;
  void setPan(float) override {}
  bool playing() const override;
  void restart() override;

 private:
  sound::SoundEngine& engine_;
  sound::SongId song_;
};

// This platform has no CD audio: the engine only keeps what it was told.
class CdChannel : public Channel {
 public:
  explicit CdChannel(sound::SoundEngine& e) : engine_(e) {}
  void stop() override;
  void setPaused(bool paused) override;
  void setPitch(int) override {}
  void setVolume(float volume) override;
  void setPan(float) override {}
  bool playing() const override { return true; }

 private:
  sound::SoundEngine& engine_;
};

}  // namespace korva::audio
