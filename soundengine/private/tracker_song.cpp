// Tracker modules (MOD, S3M, XM, IT and the rest libopenmpt reads).
#include <libopenmpt/libopenmpt.h>

#include "soundengine/private/songs.h"

namespace korva::sound {
namespace {

class TrackerSong : public Song {
 public:
  TrackerSong(openmpt_module* m, int rate) : module_(m), rate_(rate) {}
  ~TrackerSong() override { openmpt_module_destroy(module_); }
  void rewind() override { openmpt_module_set_position_seconds(module_, 0.0); }
  size_t render(float* out, size_t frames) override {
    size_t done = 0;
    // The library renders in pieces of its own choosing; ask until it gives nothing.
    while (done < frames) {
      size_t got = openmpt_module_read_interleaved_float_stereo(module_, rate_, frames - done, out + 2 * done);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  openmpt_module* module_;
  int rate_;
};

}  // namespace

std::unique_ptr<Song> loadTrackerSong(const std::vector<unsigned char>& bytes, int rate) {
  int error = 0;
  const char* message = nullptr;
  openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                                         openmpt_error_func_ignore, nullptr, &error, &message, nullptr);
  if (message) openmpt_free_string(message);
  if (!m) return nullptr;
  return std::make_unique<TrackerSong>(m, rate);
}

}  // namespace korva::sound
