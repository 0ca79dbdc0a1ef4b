// Sound files: the formats samples and streams read, streams against samples, and broken
// files refused without harm.
#include <gtest/gtest.h>

#include "soundengine/engine_helpers.h"

namespace korva::test {
namespace {

using sound::kAnyChannel;
using sound::kLoadMode;

struct Format {
  const char* name;
  int format;
};
const Format kFormats[] = {
    {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
};

TEST(Loading, EveryFormatPlaysAsSampleAndAsStream) {
  for (const Format& f : kFormats) {
    SCOPED_TRACE(f.name);
    OfflineEngine e;
    std::string path = e.dir.file(f.name);
    ASSERT_TRUE(writeTone(path, {.rate = 22050, .frames = 22050, .format = f.format}));
    sound::SampleId s = e.engine.loadSample(path, kLoadMode);
    ASSERT_NE(s, 0u);
    sound::SampleDefaults d;
    e.engine.sampleDefaults(s, d);
    EXPECT_EQ(d.frequency, 22050);
    int ch = e.engine.playSample(kAnyChannel, s);
    EXPECT_NEAR(peakOf(e.render(4410)).left, 0.5f, 0.05f);
    // Lossy encoders pad the ends a little: about one second of sound either way.
    EXPECT_NEAR(e.framesUntilStopped(ch, 441) + 4410, 44100, 4410);

    sound::StreamId st = e.engine.openStream(path, kLoadMode);
    ASSERT_NE(st, 0u);
    ch = e.engine.playStream(kAnyChannel, st);
    EXPECT_NEAR(peakOf(e.render(4410)).left, 0.5f, 0.05f);
    EXPECT_NEAR(e.framesUntilStopped(ch, 441) + 4410, 44100, 4410);
  }
}

TEST(Loading, StreamSoundsExactlyLikeTheSample) {
  OfflineEngine sample, stream;
  std::string path = sample.dir.file("long.wav");
  // Longer than a decoding block, at a rate that needs resampling, so the window slides.
  ASSERT_TRUE(writeTone(path, {.rate = 32000, .channels = 2, .frames = 20000}));
  int a = sample.engine.playSample(kAnyChannel, sample.engine.loadSample(path, kLoadMode));
  int b = stream.engine.playStream(kAnyChannel, stream.engine.openStream(path, kLoadMode));
  sample.engine.setChannelFrequency(a, 45000);
  stream.engine.setChannelFrequency(b, 45000);
  for (int block = 0; block < 60; ++block) ASSERT_EQ(sample.render(333), stream.render(333)) << "block " << block;
}

TEST(Loading, StreamPlayedAgainStartsFromTheBeginning) {
  OfflineEngine e;
  std::string path = e.dir.file("tone.wav");
  ASSERT_TRUE(writeTone(path, {.frames = 20000}));
  sound::StreamId st = e.engine.openStream(path, kLoadMode);
  int first = e.engine.playStream(kAnyChannel, st);
  std::vector<float> start = e.render(1000);
  e.render(5000);
  int second = e.engine.playStream(kAnyChannel, st);
  EXPECT_FALSE(e.engine.channelIsPlaying(first));
  EXPECT_EQ(e.render(1000), start);
  e.engine.setStreamPaused(st, true);
  EXPECT_TRUE(silent(e.render(500)));
  e.engine.stopStream(st);
  EXPECT_FALSE(e.engine.channelIsPlaying(second));
  e.engine.closeStream(st);
  EXPECT_EQ(e.engine.playStream(kAnyChannel, st), -1);
}

TEST(Loading, LoopingStreamWrapsAround) {
  OfflineEngine e;
  std::string path = e.dir.file("short.wav");
  ASSERT_TRUE(writeTone(path, {.frames = 300}));
  int ch = e.engine.playStream(kAnyChannel, e.engine.openStream(path, sound::kLoopNormal));
  e.render(10000);
  EXPECT_TRUE(e.engine.channelIsPlaying(ch));
  EXPECT_GT(peakOf(e.render(300)).left, 0.45f);
}

// Broken files of every kind, made from good ones.
std::vector<std::pair<std::string, std::vector<unsigned char>>> brokenFiles(const TempDir& dir) {
  std::vector<std::pair<std::string, std::vector<unsigned char>>> files;
  for (const Format& f : kFormats) {
    std::string path = dir.file(std::string("good-") + f.name);
    EXPECT_TRUE(writeTone(path, {.frames = 44100, .format = f.format}));
    std::vector<unsigned char> bytes = readBytes(path);
    files.push_back({std::string("header-only-") + f.name, {bytes.begin(), bytes.begin() + 40}});
    if (std::string(f.name) != "tone.mp3")  // an MPEG stream cut short has no length to miss
      files.push_back({std::string("half-") + f.name, {bytes.begin(), bytes.begin() + bytes.size() / 2}});
  }
  files.push_back({"empty.wav", {}});
  std::vector<unsigned char> noise(5000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>(i * 7919 >> 3);
  files.push_back({"noise.wav", noise});
  // A RIFF header whose first chunk claims far more than the file holds.
  files.push_back({"lying.wav", {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                 0xF0, 0xFF, 0xFF, 0xFF}});
  return files;
}

TEST(Loading, BrokenFilesGiveNothing) {
  OfflineEngine e;
  for (const auto& [name, bytes] : brokenFiles(e.dir)) {
    SCOPED_TRACE(name);
    std::string path = e.dir.file(name);
    writeBytes(path, bytes);
    EXPECT_EQ(e.engine.loadSample(path, kLoadMode), 0u);
  }
  EXPECT_EQ(e.engine.loadSample(e.dir.file("missing.wav"), kLoadMode), 0u);
  EXPECT_EQ(e.engine.loadSample(e.dir.path(), kLoadMode), 0u);
  EXPECT_EQ(e.engine.openStream(e.dir.file("missing.wav"), kLoadMode), 0u);
  EXPECT_TRUE(silent(e.render(100)));
}

TEST(Loading, BrokenStreamsGiveNothingOrEndEarly) {
  // Streams and sampled songs are only decoded as they play, so a file cut in its
  // compressed data can open; it then ends where the data does.
  OfflineEngine e;
  for (const auto& [name, bytes] : brokenFiles(e.dir)) {
    SCOPED_TRACE(name);
    std::string path = e.dir.file(name);
    writeBytes(path, bytes);
    const bool refused = name.starts_with("header-only") || name.ends_with(".wav") || name.ends_with(".ogg");
    sound::StreamId st = e.engine.openStream(path, kLoadMode);
    sound::SongId song = e.engine.loadSong(path);
    if (refused) {
      EXPECT_EQ(st, 0u);
      EXPECT_EQ(song, 0u);
    }
    int ch = e.engine.playStream(kAnyChannel, st);
    e.engine.playSong(song);
    EXPECT_GE(e.framesUntilStopped(ch, 4410), 0);
    for (int i = 0; i < 20 && e.engine.songIsPlaying(song); ++i) e.render(4410);
    EXPECT_FALSE(e.engine.songIsPlaying(song));
  }
}

TEST(Loading, BackslashesInNamesFindTheFile) {
  OfflineEngine e;
  ASSERT_TRUE(writeTone(e.dir.file("tone.wav"), {}));
  std::string windowsStyle = e.dir.path() + "\\tone.wav";
  EXPECT_NE(e.engine.loadSample(windowsStyle, kLoadMode), 0u);
  EXPECT_NE(e.engine.openStream(windowsStyle, kLoadMode), 0u);
}

}  // namespace
}  // namespace korva::test
