// Songs: whole pieces of music rendered straight at the mixing rate. Only the mixing
// thread touches a song once it has been made (see README.md).
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "soundengine/private/sound_budget.h"

namespace korva::sound {

class Song {
 public:
  virtual ~Song() = default;
  // Back to the start, with nothing still sounding.
  virtual void rewind() = 0;
  // Writes up to frames of interleaved stereo into out; fewer once the song has ended.
  virtual size_t render(float* out, size_t frames) = 0;

  BudgetShare share;  // what the song holds in memory, beyond a stream decoder's own
};

// By content: a MIDI file, a sampled sound file, or a tracker module. Null when none of
// them can read it, or the sound budget has no room for it.
std::unique_ptr<Song> loadSong(const std::string& path, int rate);

// Each loader; null on failure, and when its library cannot be loaded.
std::unique_ptr<Song> loadTrackerSong(const std::vector<unsigned char>& bytes, int rate);
std::unique_ptr<Song> loadMidiSong(const std::vector<unsigned char>& bytes, int rate, const std::string& soundFont);
std::unique_ptr<Song> loadSampledSong(const std::string& path, int rate);

// Whether the library of tracker modules, and of MIDI songs, is loaded (loading it now if
// not yet tried); what loading it takes is no song's to pay for.
bool trackerLibraryReady();
bool midiLibraryReady();

// A standard MIDI file whose header and track chunks are all whole.
bool isWellFormedMidi(const std::vector<unsigned char>& bytes);

}  // namespace korva::sound
