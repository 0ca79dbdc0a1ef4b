// MIDI files through FluidSynth, one synthesizer per song, driven by our own mixing: the
// player follows the rendered samples, so nothing runs on a thread of its own.
#include <fluidsynth.h>

#include <mutex>

#include "soundengine/private/songs.h"

namespace korva::sound {
namespace {

// FluidSynth reports on stderr by default; a game's console is no place for it.
void silenceFluidSynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
  });
}

class MidiSong : public Song {
 public:
  MidiSong(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
  ~MidiSong() override {
    if (player_) delete_fluid_player(player_);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }

  bool start(int rate, const std::string& soundFont) {
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", rate);
    fluid_settings_setnum(settings_, "synth.gain", 0.5);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED) return false;
    return newPlayer();
  }

  void rewind() override {
    delete_fluid_player(player_);
    player_ = nullptr;
    fluid_synth_system_reset(synth_);
    newPlayer();
  }

  size_t render(float* out, size_t frames) override {
    if (!player_ || fluid_player_get_status(player_) == FLUID_PLAYER_DONE) return 0;
    if (fluid_synth_write_float(synth_, static_cast<int>(frames), out, 0, 2, out, 1, 2) != FLUID_OK) return 0;
    return frames;
  }

 private:
  bool newPlayer() {
    player_ = new_fluid_player(synth_);
    if (!player_) return false;
    // The player copies the file, so the song can be played again from our copy.
    return fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) == FLUID_OK && fluid_player_play(player_) == FLUID_OK;
  }

  std::vector<unsigned char> bytes_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
};

}  // namespace

std::unique_ptr<Song> loadMidiSong(const std::vector<unsigned char>& bytes, int rate, const std::string& soundFont) {
  silenceFluidSynth();
  auto song = std::make_unique<MidiSong>(bytes);
  if (!song->start(rate, soundFont)) return nullptr;
  return song;
}

}  // namespace korva::sound
