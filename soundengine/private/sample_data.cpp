#include "soundengine/private/sample_data.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/paths.h"
#include "core/regular_file.h"

namespace korva::sound {
namespace {

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

bool readAt(int fd, uint64_t at, unsigned char* to, size_t n) {
  return pread(fd, to, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
}

// True when a RIFF/WAVE file announces more sample data than it holds.
bool wavTruncated(int fd) {
  struct stat st {};
  unsigned char head[12];
  if (fstat(fd, &st) != 0 || !readAt(fd, 0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return false;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  unsigned char chunk[8];
  // Walk the chunks to "data"; every step moves forward, so a hostile file ends the walk.
  for (uint64_t at = 12; at + 8 <= size && readAt(fd, at, chunk, 8);) {
    uint32_t length = le32(chunk + 4);
    // 0 and all ones are what writers leave when they could not go back to patch it.
    if (std::memcmp(chunk, "data", 4) == 0) return length != 0 && length != 0xFFFFFFFFu && at + 8 + length > size;
    at += 8 + uint64_t{length} + (length & 1);
  }
  return false;
}

// The frames' vector grows in steps the budget has agreed to first.
bool makeRoom(SampleData& d, size_t values) {
  std::vector<float>& f = d.frames;
  if (f.size() + values <= f.capacity()) return true;
  const size_t capacity = std::max(f.size() + values, f.capacity() + f.capacity() / 2);
  // The old and the new storage live side by side while the frames move.
  if (!d.share.resize((f.capacity() + capacity) * sizeof(float))) return false;
  f.reserve(capacity);
  d.share.resize(capacity * sizeof(float));
  return true;
}

}  // namespace

SNDFILE* openSoundFile(const std::string& name, SF_INFO& info) {
  FileDescriptor fd(openRegularFile(hostPath(name)));
  if (!fd || wavTruncated(fd.get())) return nullptr;
  info = SF_INFO{};
  SNDFILE* file = sf_open_fd(fd.get(), SFM_READ, &info, SF_TRUE);
  if (!file) return nullptr;  // libsndfile closed the descriptor already
  fd.release();
  if (info.channels < 1 || info.samplerate < 1) {
    sf_close(file);
    return nullptr;
  }
  return file;
}

std::shared_ptr<const SampleData> decodeSample(const std::string& name, int64_t maxFrames) {
  SF_INFO info{};
  SndFilePtr file(openSoundFile(name, info));
  if (!file) return nullptr;

  auto data = std::make_shared<SampleData>();
  data->channels = std::min(info.channels, 2);
  data->rate = info.samplerate;
  // Formats whose length the container states exactly must deliver all of it; one that
  // states too much for the limits is refused before anything is decoded. MPEG's length
  // can be an estimate, so it is not held to it.
  const bool exactLength = (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG;
  const bool stated = info.frames > 0 && info.frames < SF_COUNT_MAX;
  if (stated && exactLength && info.frames > maxFrames) return nullptr;
  if (stated && !makeRoom(*data, static_cast<size_t>(std::min(info.frames, maxFrames) * data->channels)))
    return nullptr;
  // Read in blocks rather than trusting the header's length; more than two channels keep
  // the front pair.
  constexpr sf_count_t kBlock = 4096;
  std::vector<float> block(static_cast<size_t>(kBlock * info.channels));
  for (;;) {
    sf_count_t got = sf_readf_float(file.get(), block.data(), kBlock);
    if (got <= 0) break;
    if (data->length + got > maxFrames || !makeRoom(*data, static_cast<size_t>(got * data->channels))) return nullptr;
    for (sf_count_t i = 0; i < got; ++i)
      for (int c = 0; c < data->channels; ++c) data->frames.push_back(block[static_cast<size_t>(i * info.channels + c)]);
    data->length += got;
  }
  if (sf_error(file.get()) != SF_ERR_NO_ERROR || data->length == 0) return nullptr;
  if (exactLength && stated && data->length < info.frames) return nullptr;
  data->frames.shrink_to_fit();
  data->share.resize(data->frames.capacity() * sizeof(float));
  return data;
}

bool mixSample(const SampleData& s, bool loop, uint64_t& pos, uint64_t step, Gains g, float* out, int n) {
  const uint64_t end = static_cast<uint64_t>(s.length) << kFracBits;
  const float* frames = s.frames.data();
  int done = 0;
  while (done < n) {
    done += mixSpan(s.channels, frames, s.length, pos, step, g, out + 2 * done, n - done);
    if (done == n) break;
    // Past the last pair of frames: the end, as for a stream, unless it loops.
    if (!loop) return false;
    if (pos >= end) {
      pos %= end;
      continue;
    }
    mixBetween(s.channels, frames + (s.length - 1) * s.channels, frames, pos, g, out + 2 * done);
    ++done;
    pos += step;
  }
  if (loop && pos >= end) pos %= end;
  return true;
}

}  // namespace korva::sound
