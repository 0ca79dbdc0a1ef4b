#include "soundengine/private/stream_decoder.h"

#include <sndfile.h>

#include <algorithm>

#include "soundengine/private/sample_data.h"

namespace korva::sound {
namespace {
constexpr int64_t kBlockFrames = 2048;
}

std::unique_ptr<StreamDecoder> StreamDecoder::open(const std::string& name, bool loop) {
  const std::string path = hostPath(name);
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return nullptr;
  if (info.channels < 1 || info.samplerate < 1 || wavTruncated(path)) {
    sf_close(file);
    return nullptr;
  }
  std::unique_ptr<StreamDecoder> d(new StreamDecoder());
  d->file_ = file;
  d->fileChannels_ = info.channels;
  d->channels_ = std::min(info.channels, 2);
  d->rate_ = info.samplerate;
  d->loop_ = loop;
  d->window_.resize(static_cast<size_t>((kBlockFrames + 1) * d->channels_));
  d->scratch_.resize(static_cast<size_t>(kBlockFrames * info.channels));
  return d;
}

StreamDecoder::~StreamDecoder() {
  if (file_) sf_close(file_);
}

void StreamDecoder::rewind() {
  sf_seek(file_, 0, SEEK_SET);
  available_ = 0;
  pos_ = 0;
  ended_ = false;
}

int64_t StreamDecoder::read(float* to, int64_t frames) {
  sf_count_t got = sf_readf_float(file_, scratch_.data(), frames);
  if (got <= 0) return 0;
  for (sf_count_t i = 0; i < got; ++i)
    for (int c = 0; c < channels_; ++c) to[i * channels_ + c] = scratch_[static_cast<size_t>(i * fileChannels_ + c)];
  return got;
}

bool StreamDecoder::refill() {
  if (ended_) return false;
  int64_t keep = 0;
  if (available_ > 0) {
    std::copy_n(window_.data() + (available_ - 1) * channels_, channels_, window_.data());
    pos_ -= static_cast<uint64_t>(available_ - 1) << kFracBits;
    keep = 1;
  }
  int64_t got = read(window_.data() + keep * channels_, kBlockFrames);
  if (got == 0 && loop_ && sf_seek(file_, 0, SEEK_SET) == 0) got = read(window_.data() + keep * channels_, kBlockFrames);
  if (got == 0) {
    ended_ = true;
    return false;
  }
  available_ = keep + got;
  return true;
}

bool StreamDecoder::mix(uint64_t step, Gains g, float* out, int n) {
  int done = 0;
  while (done < n) {
    done += mixSpan(channels_, window_.data(), available_, pos_, step, g, out + 2 * done, n - done);
    if (done < n && !refill()) return false;
  }
  return true;
}

}  // namespace korva::sound
