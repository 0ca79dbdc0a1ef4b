#include "soundengine/private/stream_decoder.h"

#include <sndfile.h>

#include <algorithm>

#include "soundengine/private/sample_data.h"

namespace korva::sound {
namespace {
constexpr int64_t kBlockFrames = 2048;
// What libsndfile keeps for an open file besides our buffers, roughly: enough that the
// budget also bounds how many streams can be open.
constexpr size_t kDecoderBytes = 64 * 1024;
}  // namespace

std::unique_ptr<StreamDecoder> StreamDecoder::open(const std::string& name, bool loop) {
  SF_INFO info{};
  SNDFILE* file = openSoundFile(name, info);
  if (!file) return nullptr;
  std::unique_ptr<StreamDecoder> d(new StreamDecoder());
  d->file_ = file;
  d->fileChannels_ = info.channels;
  d->channels_ = std::min(info.channels, 2);
  d->rate_ = info.samplerate;
  d->loop_ = loop;
  const size_t window = static_cast<size_t>((kBlockFrames + 1) * d->channels_);
  const size_t scratch = static_cast<size_t>(kBlockFrames) * static_cast<size_t>(info.channels);
  if (!d->share_.resize((window + scratch) * sizeof(float) + kDecoderBytes)) return nullptr;
  d->window_.resize(window);
  d->scratch_.resize(scratch);
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
