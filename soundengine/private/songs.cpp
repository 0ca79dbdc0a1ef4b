#include "soundengine/private/songs.h"

#include <malloc.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/paths.h"
#include "core/regular_file.h"

#include "soundengine/private/sample_data.h"
#include "soundengine/private/stream_decoder.h"
#include "soundengine/sound_engine.h"

namespace korva::sound {
namespace {

// Songs are read whole; nothing a game plays as music comes near this.
constexpr off_t kMaxSongBytes = off_t{64} << 20;

// The whole file, when it is no larger than kMaxSongBytes and what is left of the budget.
bool readFile(const FileDescriptor& fd, std::vector<unsigned char>& out) {
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || st.st_size <= 0 || st.st_size > kMaxSongBytes ||
      static_cast<size_t>(st.st_size) > soundBytesLeft())
    return false;
  out.resize(static_cast<size_t>(st.st_size));
  for (size_t done = 0; done < out.size();) {
    ssize_t n = pread(fd.get(), out.data() + done, out.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

uint32_t be32(const unsigned char* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

bool isSoundFile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = openSoundFile(path, info);
  if (!f) return false;
  sf_close(f);
  return true;
}

// Bytes the C heap hands out now. What a library keeps of a song it loaded (a tracker's
// decoded samples, a synthesizer's sound font) shows only as this growth; other threads
// may add a little to it. Zero where the allocator does not say.
size_t heapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// Loads with one of the libraries, and charges the song what it holds: the file, or what
// the library kept while loading it, whichever is more. Null past the budget.
template <class Load>
std::unique_ptr<Song> charged(const std::vector<unsigned char>& bytes, Load load) {
  const size_t before = heapInUse();
  std::unique_ptr<Song> song = load();
  const size_t after = heapInUse();
  if (song && !song->share.resize(std::max(bytes.size(), after > before ? after - before : 0))) return nullptr;
  return song;
}

// A sampled file played as a song: the stream decoder at the file's own rate.
class SampledSong : public Song {
 public:
  SampledSong(std::unique_ptr<StreamDecoder> d, int rate) : decoder_(std::move(d)), step_(stepFor(decoder_->rate(), rate)) {}
  void rewind() override { decoder_->rewind(); }
  size_t render(float* out, size_t frames) override {
    std::fill(out, out + 2 * frames, 0.0f);
    return decoder_->mix(step_, Gains{1, 1}, out, static_cast<int>(frames)) ? frames : 0;
  }

 private:
  std::unique_ptr<StreamDecoder> decoder_;
  uint64_t step_;
};

}  // namespace

bool isWellFormedMidi(const std::vector<unsigned char>& b) {
  if (b.size() < 14 || std::memcmp(b.data(), "MThd", 4) != 0) return false;
  uint32_t headerLength = be32(&b[4]);
  if (headerLength < 6 || headerLength > b.size() - 8) return false;
  const unsigned format = b[8] << 8 | b[9], tracks = b[10] << 8 | b[11], division = b[12] << 8 | b[13];
  if (format > 2 || tracks == 0 || division == 0) return false;
  size_t at = 8 + headerLength;
  unsigned found = 0;
  while (found < tracks) {
    if (b.size() - at < 8) return false;
    uint32_t length = be32(&b[at + 4]);
    if (length > b.size() - at - 8) return false;
    if (std::memcmp(&b[at], "MTrk", 4) == 0) ++found;
    at += 8 + length;
  }
  return true;
}

std::unique_ptr<Song> loadSampledSong(const std::string& path, int rate) {
  auto decoder = StreamDecoder::open(path, false);
  if (!decoder) return nullptr;
  return std::make_unique<SampledSong>(std::move(decoder), rate);
}

std::unique_ptr<Song> loadSong(const std::string& name, int rate) {
  const std::string path = hostPath(name);
  FileDescriptor fd(openRegularFile(path));
  unsigned char magic[4] = {};
  if (!fd || pread(fd.get(), magic, 4, 0) != 4) return nullptr;
  std::vector<unsigned char> bytes;
  if (std::memcmp(magic, "MThd", 4) == 0) {
    if (!readFile(fd, bytes) || !isWellFormedMidi(bytes) || !midiLibraryReady()) return nullptr;
    std::string font = findSoundFont();
    if (font.empty()) return nullptr;
    return charged(bytes, [&] { return loadMidiSong(bytes, rate, font); });
  }
  // Sound files carry clear signatures and are streamed, whatever their size; tracker
  // formats come last because the oldest of them have none and are recognised by
  // heuristics.
  if (isSoundFile(path)) return loadSampledSong(path, rate);
  if (!readFile(fd, bytes) || !trackerLibraryReady()) return nullptr;
  return charged(bytes, [&] { return loadTrackerSong(bytes, rate); });
}

}  // namespace korva::sound
