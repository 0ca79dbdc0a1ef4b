#include "soundengine/private/songs.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "soundengine/private/sample_data.h"
#include "soundengine/private/stream_decoder.h"
#include "soundengine/sound_engine.h"

namespace korva::sound {
namespace {

// Songs are read whole; nothing a game plays as music comes near this.
constexpr std::streamoff kMaxSongBytes = std::streamoff{64} << 20;

bool readFile(const std::string& path, std::vector<unsigned char>& out) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  if (!f) return false;
  std::streamoff size = f.tellg();
  if (size <= 0 || size > kMaxSongBytes) return false;
  out.resize(static_cast<size_t>(size));
  f.seekg(0);
  return static_cast<bool>(f.read(reinterpret_cast<char*>(out.data()), size));
}

uint32_t be32(const unsigned char* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

bool isSoundFile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return false;
  sf_close(f);
  return true;
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
  char magic[4] = {};
  if (!std::ifstream(path, std::ios::binary).read(magic, 4)) return nullptr;
  std::vector<unsigned char> bytes;
  if (std::memcmp(magic, "MThd", 4) == 0) {
    if (!readFile(path, bytes) || !isWellFormedMidi(bytes)) return nullptr;
    std::string font = findSoundFont();
    return font.empty() ? nullptr : loadMidiSong(bytes, rate, font);
  }
  // Sound files carry clear signatures and are streamed, whatever their size; tracker
  // formats come last because the oldest of them have none and are recognised by
  // heuristics.
  if (isSoundFile(path)) return loadSampledSong(path, rate);
  if (!readFile(path, bytes)) return nullptr;
  return loadTrackerSong(bytes, rate);
}

}  // namespace korva::sound
