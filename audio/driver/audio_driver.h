// The audio driver: the loaded sounds, the channel objects handed to programs for
// everything that plays, the language's units turned into the engine's. Used only from
// the program's thread; the engine mixes on its own (soundengine/README.md).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "soundengine/sound_engine.h"

namespace korva::audio {

// Volume 0..1 to 0..255 and pan -1..1 to 0..255: float arithmetic, then truncation toward
// zero. Values outside the ranges are not clamped here; only values beyond any integer
// (and NaN, which gives 0) are held to the integer range.
int volumeUnits(float volume);
int panUnits(float pan);

// True when a music file name contains one of the texts that select streaming
// (case-sensitive, anywhere in the name); other names are loaded as songs.
bool isStreamedName(const std::string& file);

// Everything that plays is reached through one of four kinds of channel. Operations in
// slot order; the kinds say what each does.
class Channel {
 public:
  virtual ~Channel() = default;
  virtual void stop() = 0;
  virtual void setPaused(bool paused) = 0;
  virtual void setPitch(int hz) = 0;
  virtual void setVolume(float volume) = 0;  // 0..1
  virtual void setPan(float pan) = 0;        // -1 left .. 1 right
  virtual bool playing() const = 0;
  virtual void restart() {}  // stream and song channels
  uint32_t handle() const { return handle_; }

 private:
  friend class AudioDriver;
  uint32_t handle_ = 0;
};

class AudioDriver;

class Sound {
 public:
  // Each stores a default for later plays and marks it for writing at the next play.
  void setPitch(int hz);
  void setVolume(float volume);
  void setPan(float pan);
  // Loops whenever the sample plays, from its next play on.
  void setLoop();
  // Writes the stored defaults to the engine when they have changed since.
  void applyDefaults();

  uint32_t handle() const { return handle_; }
  bool inSync() const { return inSync_; }
  int frequency() const { return frequency_; }
  int volume() const { return volume_; }
  int pan() const { return pan_; }
  int priority() const { return priority_; }
  sound::SampleId sample() const { return sample_; }

 private:
  friend class AudioDriver;
  Sound(AudioDriver& driver, sound::SampleId sample);

  AudioDriver& driver_;
  uint32_t handle_ = 0;
  bool inSync_ = true;
  int frequency_ = 0, volume_ = 0, pan_ = 0, priority_ = 0;
  sound::SampleId sample_;
};

class SampleChannel;

class AudioDriver final {
 public:
  // The engine set up for 44100 Hz and 32 channels; the audio device is opened when the
  // program first loads or plays something, and the driver works whether or not one opens.
  static std::unique_ptr<AudioDriver> start();
  // Over an engine the caller has set up (tests mix it themselves).
  explicit AudioDriver(std::unique_ptr<sound::SoundEngine> engine);
  // Destroys every channel, last made first, frees every sound, closes the engine.
  ~AudioDriver();
  AudioDriver(const AudioDriver&) = delete;
  AudioDriver& operator=(const AudioDriver&) = delete;

  // The run's suspension and resumption: the engine keeps mixing through them, so sounds
  // already playing go on, as they do on the other platform.
  void suspendHook() {}
  void resumeHook() {}

  // Null when the file cannot be loaded.
  Sound* loadSound(const std::string& file);
  // Ignored unless handle is a live sound.
  void freeSound(uint32_t handle);
  Sound* isSound(uint32_t handle) const;
  // Null when the sample could not be played.
  Channel* playSound(Sound& sound);
  // The channel of the file, restarted when it has been played before; null when it
  // cannot be loaded.
  Channel* playMusic(const std::string& file);
  Channel* playCDTrack(int track, int mode);

  sound::SoundEngine& engine() { return *engine_; }
  Channel* cdChannel() const { return cd_; }
  size_t channelCount() const { return channels_.size(); }

 private:
  Channel* add(std::unique_ptr<Channel> channel);
  // The device opens when a program first uses sound; saying once when there is none.
  void useSound();

  std::unique_ptr<sound::SoundEngine> engine_;
  std::unordered_map<uint32_t, std::unique_ptr<Sound>> sounds_;
  std::vector<SampleChannel*> pool_;
  std::unordered_map<std::string, Channel*> music_;
  std::vector<std::unique_ptr<Channel>> channels_;  // in order of creation
  Channel* cd_ = nullptr;
  bool soundUsed_ = false;
};

}  // namespace korva::audio
