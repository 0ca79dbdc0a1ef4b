// MIDI files through FluidSynth, one synthesizer per song, driven by our own mixing: the
// player follows the rendered samples, so nothing runs on a thread of its own. The library
// (with the many it needs) loads with the first MIDI song a program plays.
#include <fluidsynth.h>

#include "core/optional_library.h"
#include "soundengine/private/songs.h"

namespace korva::sound {
namespace {

static_assert(FLUIDSYNTH_VERSION_MAJOR == 2, "FluidSynth 2 is libfluidsynth.so.3");

#define KORVA_FLUIDSYNTH_FUNCTIONS(X)                                                                  \
  X(fluid_set_log_function) X(new_fluid_settings) X(delete_fluid_settings) X(fluid_settings_setnum)    \
  X(fluid_settings_setstr) X(new_fluid_synth) X(delete_fluid_synth) X(fluid_synth_sfload)              \
  X(fluid_synth_system_reset) X(fluid_synth_write_float) X(new_fluid_player) X(delete_fluid_player)    \
  X(fluid_player_add_mem) X(fluid_player_play) X(fluid_player_get_status)

struct FluidFunctions {
  KORVA_FLUIDSYNTH_FUNCTIONS(KORVA_OPTIONAL_FUNCTION)
};

// FluidSynth reports on stderr by default; a game's console is no place for it.
void silence(const FluidFunctions& lib) {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) lib.fluid_set_log_function(level, nullptr, nullptr);
}

const FluidFunctions* fluid() {
  static const FluidFunctions* functions = [] {
    const FluidFunctions* lib = loadOptionalTable<FluidFunctions>(
        OptionalPart::MidiMusic, [](OptionalLibrary& library, FluidFunctions& table) {
          bool ok = true;
          KORVA_FLUIDSYNTH_FUNCTIONS(KORVA_BIND_OPTIONAL_FUNCTION)
          return ok;
        });
    if (lib) silence(*lib);
    return lib;
  }();
  return functions;
}

class MidiSong : public Song {
 public:
  MidiSong(const FluidFunctions& lib, std::vector<unsigned char> bytes) : lib_(lib), bytes_(std::move(bytes)) {}
  ~MidiSong() override {
    if (player_) lib_.delete_fluid_player(player_);
    if (synth_) lib_.delete_fluid_synth(synth_);
    if (settings_) lib_.delete_fluid_settings(settings_);
  }

  bool start(int rate, const std::string& soundFont) {
    settings_ = lib_.new_fluid_settings();
    if (!settings_) return false;
    lib_.fluid_settings_setnum(settings_, "synth.sample-rate", rate);
    lib_.fluid_settings_setnum(settings_, "synth.gain", 0.5);
    lib_.fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = lib_.new_fluid_synth(settings_);
    if (!synth_ || lib_.fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED) return false;
    return newPlayer();
  }

  void rewind() override {
    lib_.delete_fluid_player(player_);
    player_ = nullptr;
    lib_.fluid_synth_system_reset(synth_);
    newPlayer();
  }

  size_t render(float* out, size_t frames) override {
    if (!player_ || lib_.fluid_player_get_status(player_) == FLUID_PLAYER_DONE) return 0;
    if (lib_.fluid_synth_write_float(synth_, static_cast<int>(frames), out, 0, 2, out, 1, 2) != FLUID_OK) return 0;
    return frames;
  }

 private:
  bool newPlayer() {
    player_ = lib_.new_fluid_player(synth_);
    if (!player_) return false;
    // The player copies the file, so the song can be played again from our copy.
    return lib_.fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) == FLUID_OK &&
           lib_.fluid_player_play(player_) == FLUID_OK;
  }

  const FluidFunctions& lib_;
  std::vector<unsigned char> bytes_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
};

}  // namespace

bool midiLibraryReady() { return fluid() != nullptr; }

std::unique_ptr<Song> loadMidiSong(const std::vector<unsigned char>& bytes, int rate, const std::string& soundFont) {
  const FluidFunctions* lib = fluid();
  if (!lib) return nullptr;
  auto song = std::make_unique<MidiSong>(*lib, bytes);
  if (!song->start(rate, soundFont)) return nullptr;
  return song;
}

}  // namespace korva::sound
