#include "soundengine/private/sample_data.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace korva::sound {
namespace {

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

}  // namespace

std::string hostPath(const std::string& path) {
  if (path.find('\\') == std::string::npos || access(path.c_str(), F_OK) == 0) return path;
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

bool wavTruncated(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  struct stat st {};
  bool truncated = false;
  unsigned char head[12];
  if (fstat(fileno(f), &st) == 0 && std::fread(head, 1, 12, f) == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "WAVE", 4) == 0) {
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    uint64_t at = 12;
    unsigned char chunk[8];
    // Walk the chunks to "data"; every step moves forward, so a hostile file ends the walk.
    while (at + 8 <= size && std::fseek(f, static_cast<long>(at), SEEK_SET) == 0 && std::fread(chunk, 1, 8, f) == 8) {
      uint32_t length = le32(chunk + 4);
      if (std::memcmp(chunk, "data", 4) == 0) {
        // 0 and all ones are what writers leave when they could not go back to patch it.
        truncated = length != 0 && length != 0xFFFFFFFFu && at + 8 + length > size;
        break;
      }
      at += 8 + uint64_t{length} + (length & 1);
    }
  }
  std::fclose(f);
  return truncated;
}

std::shared_ptr<const SampleData> decodeSample(const std::string& name, int64_t maxFrames) {
  const std::string path = hostPath(name);
  SF_INFO info{};
  SndFilePtr file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file || info.channels < 1 || info.samplerate < 1 || wavTruncated(path)) return nullptr;

  auto data = std::make_shared<SampleData>();
  data->channels = std::min(info.channels, 2);
  data->rate = info.samplerate;
  // Read in blocks rather than trusting the header's length; more than two channels keep
  // the front pair.
  constexpr sf_count_t kBlock = 4096;
  std::vector<float> block(static_cast<size_t>(kBlock * info.channels));
  if (info.frames > 0 && info.frames <= maxFrames)
    data->frames.reserve(static_cast<size_t>(info.frames * data->channels));
  for (;;) {
    sf_count_t got = sf_readf_float(file.get(), block.data(), kBlock);
    if (got <= 0) break;
    if (data->length + got > maxFrames) return nullptr;
    for (sf_count_t i = 0; i < got; ++i)
      for (int c = 0; c < data->channels; ++c) data->frames.push_back(block[static_cast<size_t>(i * info.channels + c)]);
    data->length += got;
  }
  if (sf_error(file.get()) != SF_ERR_NO_ERROR || data->length == 0) return nullptr;
  // Formats whose length the container states exactly must deliver all of it. MPEG's
  // length can be an estimate, so it is not held to it.
  const bool exactLength = (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG;
  if (exactLength && info.frames > 0 && info.frames < SF_COUNT_MAX && data->length < info.frames) return nullptr;
  data->frames.shrink_to_fit();
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
