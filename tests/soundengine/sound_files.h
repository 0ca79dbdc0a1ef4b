// Sound files the audio tests make for themselves: tones written with libsndfile, a tracker
// module and a MIDI file built byte by byte, and broken files cut from good ones.
#pragma once
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace korva::test {

// A directory of its own for one test, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korva-audio-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct Tone {
  int rate = 44100;
  int channels = 1;
  int frames = 4410;
  float amplitude = 0.5f;
  float hz = 441.0f;
  int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
};

// A sine tone, the same in every channel. True when written.
inline bool writeTone(const std::string& path, const Tone& t) {
  SF_INFO info{};
  info.samplerate = t.rate;
  info.channels = t.channels;
  info.format = t.format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> data(static_cast<size_t>(t.frames * t.channels));
  for (int i = 0; i < t.frames; ++i)
    for (int c = 0; c < t.channels; ++c)
      data[static_cast<size_t>(i * t.channels + c)] =
          t.amplitude * std::sin(2.0f * 3.14159265f * t.hz * static_cast<float>(i) / static_cast<float>(t.rate));
  sf_count_t written = sf_writef_float(f, data.data(), t.frames);
  sf_close(f);
  return written == t.frames;
}

inline std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A four-channel module: one looped square-wave sample, one pattern with a note in its
// first row, played once (about 7.7 seconds at the default speed).
inline std::vector<unsigned char> trackerModule() {
  std::vector<unsigned char> m(20, 0);
  const char title[] = "korva test";
  std::copy(title, title + sizeof title - 1, m.begin());
  const int sampleWords = 32;
  for (int s = 0; s < 31; ++s) {
    unsigned char header[30] = {};
    if (s == 0) {
      header[22] = 0;
      header[23] = sampleWords;  // length in words, big-endian
      header[25] = 64;           // volume
      header[29] = sampleWords;  // loop length in words: the whole sample
    }
    m.insert(m.end(), header, header + 30);
  }
  m.push_back(1);    // song length
  m.push_back(127);  // restart byte
  std::vector<unsigned char> order(128, 0);
  m.insert(m.end(), order.begin(), order.end());
  for (char c : std::string("M.K.")) m.push_back(static_cast<unsigned char>(c));
  std::vector<unsigned char> pattern(64 * 4 * 4, 0);
  const int period = 428;
  pattern[0] = static_cast<unsigned char>(period >> 8);  // sample 1's high nibble is 0
  pattern[1] = period & 0xFF;
  pattern[2] = 1 << 4;  // sample 1, no effect
  m.insert(m.end(), pattern.begin(), pattern.end());
  for (int i = 0; i < sampleWords * 2; ++i) m.push_back(static_cast<unsigned char>(i % 16 < 8 ? 100 : -100));
  return m;
}

// A one-track MIDI file: a piano note held for half a second at the default tempo.
inline std::vector<unsigned char> midiFile() {
  std::vector<unsigned char> track = {
      0x00, 0xC0, 0x00,        // program: piano
      0x00, 0x90, 0x3C, 0x64,  // note on, middle C
      0x60, 0x80, 0x3C, 0x40,  // 96 ticks later: note off
      0x00, 0xFF, 0x2F, 0x00,  // end of track
  };
  const unsigned char header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0};
  std::vector<unsigned char> m(std::begin(header), std::end(header));
  m.push_back(static_cast<unsigned char>(track.size()));
  m.insert(m.end(), track.begin(), track.end());
  return m;
}

// A FLAC file of silence built by hand: every frame one constant value per channel, a few
// bytes for up to 65535 frames of sound. Such a file of kilobytes decodes to hundreds of
// megabytes, which is what a sound budget is for.
inline std::vector<unsigned char> silentFlac(int blocks, int blockFrames = 65535, int channels = 2) {
  auto crc8 = [](const unsigned char* p, size_t n) {
    unsigned crc = 0;
    for (size_t i = 0; i < n; ++i) {
      crc ^= p[i];
      for (int b = 0; b < 8; ++b) crc = (crc & 0x80 ? crc << 1 ^ 0x07 : crc << 1) & 0xFF;
    }
    return static_cast<unsigned char>(crc);
  };
  auto crc16 = [](const unsigned char* p, size_t n) {
    unsigned crc = 0;
    for (size_t i = 0; i < n; ++i) {
      crc ^= unsigned{p[i]} << 8;
      for (int b = 0; b < 8; ++b) crc = (crc & 0x8000 ? crc << 1 ^ 0x8005 : crc << 1) & 0xFFFF;
    }
    return crc;
  };
  std::vector<unsigned char> f = {'f', 'L', 'a', 'C', 0x80, 0, 0, 34};
  const uint64_t total = uint64_t(blocks) * uint64_t(blockFrames);
  for (int i = 0; i < 2; ++i) f.insert(f.end(), {uint8_t(blockFrames >> 8), uint8_t(blockFrames)});  // block sizes
  f.insert(f.end(), 6, 0);  // frame sizes unknown
  const uint64_t packed = uint64_t(44100) << 44 | uint64_t(channels - 1) << 41 | uint64_t(15) << 36 | total;
  for (int shift = 56; shift >= 0; shift -= 8) f.push_back(static_cast<unsigned char>(packed >> shift));
  f.insert(f.end(), 16, 0);  // no checksum of the samples
  for (int n = 0; n < blocks; ++n) {
    // Fixed block size, its size (less one) in 16 bits, 44100 Hz, independent channels, 16 bits.
    std::vector<unsigned char> frame = {0xFF, 0xF8, 0x79, static_cast<unsigned char>((channels - 1) << 4 | 0x08)};
    if (n < 0x80) {
      frame.push_back(static_cast<unsigned char>(n));
    } else if (n < 0x800) {
      frame.insert(frame.end(), {uint8_t(0xC0 | n >> 6), uint8_t(0x80 | (n & 0x3F))});
    } else {
      frame.insert(frame.end(), {uint8_t(0xE0 | n >> 12), uint8_t(0x80 | (n >> 6 & 0x3F)), uint8_t(0x80 | (n & 0x3F))});
    }
    frame.insert(frame.end(), {uint8_t((blockFrames - 1) >> 8), uint8_t(blockFrames - 1)});
    frame.push_back(crc8(frame.data(), frame.size()));
    for (int c = 0; c < channels; ++c) frame.insert(frame.end(), {0x00, 0x00, 0x00});  // constant 0
    unsigned crc = crc16(frame.data(), frame.size());
    frame.insert(frame.end(), {uint8_t(crc >> 8), uint8_t(crc)});
    f.insert(f.end(), frame.begin(), frame.end());
  }
  return f;
}

}  // namespace korva::test
