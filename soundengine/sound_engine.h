// The sound engine: a software mixer of samples, streamed files and songs (tracker modules,
// MIDI files), played through SDL's audio output. See README.md for who owns which thread.
//
// Every object the engine hands out is a small id (0 means none); ids that are not (or no
// longer) live are ignored by every operation, so callers cannot make the engine touch
// freed memory. A channel id names one voice for one sound: once the sound has ended or
// the voice plays something else, the id reaches nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace korva::sound {

using SampleId = uint32_t;
using StreamId = uint32_t;
using SongId = uint32_t;

// Load modes. Only the loop bits are meaningful here; the others are accepted and ignored.
enum : unsigned {
  kLoopOff = 1,
  kLoopNormal = 2,
  kLoadMode = 41,  // what the audio driver passes: loop off, the file's own format
};

// Init flags.
enum : unsigned {
  kNoOutput = 1,     // open no output: the caller drives render() itself (tests, benchmarks)
  kDeferOutput = 2,  // open the output at the first startOutput, when a program first uses sound
  kNoLimiter = 4,    // the voices' sum as it is: neither limited nor delayed (checking the mix itself)
};

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 32;
inline constexpr int kAnyChannel = -1;
// A short output buffer for games: about 12 ms at 44100 Hz.
inline constexpr int kGameBufferFrames = 512;
// The longest sample decoded into memory: 25 minutes at 44100 Hz.
inline constexpr int64_t kMaxSampleFrames = int64_t{1} << 26;
// All sound held in memory shares this many bytes: decoded samples (4 bytes a value),
// songs (the file, and what its player keeps) and each stream's window. Past it a load
// gives 0, however small each file is: a few kilobytes of FLAC can decode to half a
// gigabyte. It holds about twelve minutes of stereo samples, far more than a game plays.
inline constexpr size_t kSoundBudget = size_t{256} << 20;
// What live sounds hold of the budget now, in bytes.
size_t soundBytesInUse();

struct SampleDefaults {
  int frequency = 0;  // Hz
  int volume = 255;   // 0..255
  int pan = 128;      // 0 left, 127/128 centre, 255 right
  int priority = 128;
};

// What the CD functions were last told; this platform has no CD audio, so nothing sounds.
struct CdState {
  int track = 0;
  int playMode = 1;
  int volume = 255;
  bool paused = false;
  bool playing = false;
};

class SoundEngine {
 public:
  SoundEngine();
  ~SoundEngine();
  SoundEngine(const SoundEngine&) = delete;
  SoundEngine& operator=(const SoundEngine&) = delete;

  // Output buffer in frames for the next init; 0 lets SDL choose its default.
  void setOutputBuffer(int frames);
  // Sets the mixing rate and channel count and opens the output (with the player's choice
  // of buffer and device, outputChoiceFromEnvironment; a named device that cannot be had
  // gives way to the default one, saying so on stderr). False when no audio
  // device could be opened: the engine then mixes into nothing in real time, so sounds
  // still start and end as they would. Calling it again first closes.
  bool init(int rate, int channels, unsigned flags);
  // Opens the output after init with kDeferOutput; nothing once one is open. False when
  // the output is no device (outputProblem says why).
  bool startOutput();
  // Why no audio device could be opened, in the system's words; empty while one is open
  // or none was tried.
  std::string outputProblem() const;
  void close();
  int rate() const;
  int channels() const;
  // The output buffer that was obtained, in frames (0 with no output).
  int outputBufferFrames() const;

  // Mixes frames of interleaved stereo float into out (overwriting it). The master bus's
  // limiter keeps every sample below full scale; what is mixed comes out a few
  // milliseconds later (private/limiter.h). The output calls it from its own thread; with
  // kNoOutput the caller does.
  void render(float* out, int frames);

  // Samples: decoded whole into memory (WAV, OGG Vorbis, FLAC, MP3). 0 on failure.
  SampleId loadSample(const std::string& path, unsigned mode);
  void freeSample(SampleId sample);
  bool sampleDefaults(SampleId sample, SampleDefaults& out) const;
  void setSampleDefaults(SampleId sample, const SampleDefaults& defaults);
  // 1 no loop, 2 loop; read when the sample starts playing.
  void setSampleLoopMode(SampleId sample, int mode);
  int sampleLoopMode(SampleId sample) const;

  // Starts the sample with its defaults on channel (kAnyChannel: the first idle one;
  // otherwise a voice index, whose sound is replaced). The channel id, or -1 when no
  // voice is free or the sample is not live.
  int playSample(int channel, SampleId sample);
  void stopChannel(int channel);
  void setChannelPaused(int channel, bool paused);
  void setChannelFrequency(int channel, int hz);
  void setChannelVolume(int channel, int volume);  // 0..255, clamped
  void setChannelPan(int channel, int pan);        // 0..255, clamped
  // True while the channel holds a sound that has not ended (paused counts as playing).
  bool channelIsPlaying(int channel) const;

  // Streams: decoded from the file while they play. 0 on failure.
  StreamId openStream(const std::string& path, unsigned mode);
  // Plays the stream from its start on channel; a stream plays on one channel at a time.
  int playStream(int channel, StreamId stream);
  void stopStream(StreamId stream);
  void setStreamPaused(StreamId stream, bool paused);
  void closeStream(StreamId stream);

  // Songs: tracker modules, MIDI files (with a General MIDI sound font), and sampled
  // files. 0 on failure, or for MIDI when no sound font is installed.
  SongId loadSong(const std::string& path);
  // Plays the song from its start.
  bool playSong(SongId song);
  void stopSong(SongId song);
  void setSongPaused(SongId song, bool paused);
  void setSongMasterVolume(SongId song, int volume);  // 0..255, clamped
  bool songIsPlaying(SongId song) const;
  void freeSong(SongId song);

  void cdStop();
  void cdSetPaused(bool paused);
  void cdSetVolume(int volume);
  void cdSetPlayMode(int mode);
  void cdPlay(int track);
  CdState cd() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// What the player chose for the output: KORVA_AUDIO_BUFFER (frames) and KORVA_AUDIO_DEVICE
// (a device's name as SDL lists it). A buffer that is not a whole number of frames from
// kMinBufferFrames to kMaxBufferFrames is ignored with a line on stderr.
inline constexpr int kMinBufferFrames = 32;
inline constexpr int kMaxBufferFrames = 32768;
struct OutputChoice {
  int bufferFrames = 0;  // 0: the engine's own (kGameBufferFrames)
  std::string device;    // empty: the system's default
};
OutputChoice outputChoiceFromEnvironment();
// False unless text is a whole number of frames in the range above.
bool parseBufferFrames(const std::string& text, int& frames);

// The sound font MIDI songs use: $KORVA_SOUNDFONT when set (empty: none), else a packaged
// game's own, else the first General MIDI font found in the usual places. Empty when there
// is none.
std::string findSoundFont();

}  // namespace korva::sound
