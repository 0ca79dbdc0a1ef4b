// While SDL looks for an audio device, the sound libraries below it print their own
// complaints on stderr (ALSA a dozen lines for a machine with no card); a player needs one
// line at most, and only when a program uses sound. This keeps them off stderr and keeps
// what they said for that one line.
#pragma once
#include <string>

namespace korva::sound {

class QuietSoundLibraries {
 public:
  QuietSoundLibraries();
  ~QuietSoundLibraries();
  QuietSoundLibraries(const QuietSoundLibraries&) = delete;
  QuietSoundLibraries& operator=(const QuietSoundLibraries&) = delete;

  // Why no device opened: SDL's error, or else the last thing a library said.
  std::string reason(const char* sdlError) const;

 private:
  void* previousLog_ = nullptr;
  void* previousLogData_ = nullptr;
};

}  // namespace korva::sound
