// Tracker modules (MOD, S3M, XM, IT and the rest libopenmpt reads). The library loads with
// the first module a program plays.
#include <libopenmpt/libopenmpt.h>

#include "core/optional_library.h"
#include "soundengine/private/songs.h"

namespace korva::sound {
namespace {

static_assert(OPENMPT_API_VERSION_MAJOR == 0, "libopenmpt's API 0 is libopenmpt.so.0");

#define KORVA_OPENMPT_FUNCTIONS(X)                                                                       \
  X(openmpt_module_create_from_memory2) X(openmpt_module_destroy) X(openmpt_module_set_position_seconds) \
  X(openmpt_module_read_interleaved_float_stereo) X(openmpt_free_string) X(openmpt_log_func_silent)      \
  X(openmpt_error_func_ignore)

struct OpenmptFunctions {
  KORVA_OPENMPT_FUNCTIONS(KORVA_OPTIONAL_FUNCTION)
};

const OpenmptFunctions* openmpt() {
  static const OpenmptFunctions* functions = loadOptionalTable<OpenmptFunctions>(
      OptionalPart::TrackerMusic, [](OptionalLibrary& library, OpenmptFunctions& table) {
        bool ok = true;
        KORVA_OPENMPT_FUNCTIONS(KORVA_BIND_OPTIONAL_FUNCTION)
        return ok;
      });
  return functions;
}

class TrackerSong : public Song {
 public:
  TrackerSong(const OpenmptFunctions& lib, openmpt_module* m, int rate) : lib_(lib), module_(m), rate_(rate) {}
  ~TrackerSong() override { lib_.openmpt_module_destroy(module_); }
  void rewind() override { lib_.openmpt_module_set_position_seconds(module_, 0.0); }
  size_t render(float* out, size_t frames) override {
    size_t done = 0;
    // The library renders in pieces of its own choosing; ask until it gives nothing.
    while (done < frames) {
      size_t got = lib_.openmpt_module_read_interleaved_float_stereo(module_, rate_, frames - done, out + 2 * done);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  const OpenmptFunctions& lib_;
  openmpt_module* module_;
  int rate_;
};

}  // namespace

bool trackerLibraryReady() { return openmpt() != nullptr; }

std::unique_ptr<Song> loadTrackerSong(const std::vector<unsigned char>& bytes, int rate) {
  const OpenmptFunctions* lib = openmpt();
  if (!lib) return nullptr;
  int error = 0;
  const char* message = nullptr;
  openmpt_module* m =
      lib->openmpt_module_create_from_memory2(bytes.data(), bytes.size(), lib->openmpt_log_func_silent, nullptr,
                                              lib->openmpt_error_func_ignore, nullptr, &error, &message, nullptr);
  if (message) lib->openmpt_free_string(message);
  if (!m) return nullptr;
  return std::make_unique<TrackerSong>(*lib, m, rate);
}

}  // namespace korva::sound
