// Sound files made to hurt: named pipes where files are expected, and small files that
// decode to more than the sound budget holds, one at a time or together.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "soundengine/engine_helpers.h"
#include "support/fifo.h"

namespace korva::test {
namespace {

using sound::kLoadMode;
using namespace std::chrono_literals;

constexpr size_t kStereoBlock = 65535 * 2 * sizeof(float);  // what one frame of silentFlac decodes to

// A FIFO is no sound file, whether the name says sample, stream, song or MIDI file.
TEST(HostileSounds, NamedPipesAreRefusedAtOnce) {
  OfflineEngine e;
  Fifo wav(e.dir.file("pipe.wav")), mid(e.dir.file("pipe.mid")), mod(e.dir.file("pipe.mod"));
  ASSERT_TRUE(wav.made() && mid.made() && mod.made());
  const struct {
    const char* what;
    std::function<uint32_t()> load;
  } cases[] = {
      {"sample", [&] { return e.engine.loadSample(wav.path(), kLoadMode); }},
      {"stream", [&] { return e.engine.openStream(wav.path(), kLoadMode); }},
      {"song", [&] { return e.engine.loadSong(mod.path()); }},
      {"MIDI song", [&] { return e.engine.loadSong(mid.path()); }},
      {"device", [&] { return e.engine.loadSong("/dev/zero"); }},
  };
  for (const auto& c : cases) {
    uint32_t id = 1;
    EXPECT_TRUE(returnsWithin(5s, [&] { id = c.load(); }, {&wav, &mid, &mod})) << c.what;
    EXPECT_EQ(id, 0u) << c.what;
  }
}

// A few kilobytes may claim (and hold) far more sound than the budget: refused before a
// frame is decoded when the file says so, however many such files a program loads.
TEST(HostileSounds, AFileLargerThanTheBudgetIsRefused) {
  OfflineEngine e;
  const int blocks = static_cast<int>(sound::kSoundBudget / kStereoBlock) + 1;
  const std::string bomb = e.dir.file("bomb.flac");
  writeBytes(bomb, silentFlac(blocks));
  EXPECT_LT(readBytes(bomb).size(), 32u << 10);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(e.engine.loadSample(bomb, kLoadMode), 0u) << i;
  EXPECT_EQ(sound::soundBytesInUse(), 0u);
  // Just inside the budget it loads: the limit is the budget, not the file's shape.
  writeBytes(bomb, silentFlac(blocks - 2));
  sound::SampleId s = e.engine.loadSample(bomb, kLoadMode);
  EXPECT_NE(s, 0u);
  e.engine.freeSample(s);
  EXPECT_EQ(sound::soundBytesInUse(), 0u);
}

// The budget adds up across samples, streams and songs, and what is freed is given back.
TEST(HostileSounds, SamplesStreamsAndSongsShareOneBudget) {
  OfflineEngine e;
  const int blocks = static_cast<int>(sound::kSoundBudget / kStereoBlock) * 2 / 5;  // two fit, not three
  const std::string file = e.dir.file("part.flac"), module = e.dir.file("song.mod"), tone = e.dir.file("tone.wav");
  writeBytes(file, silentFlac(blocks));
  writeBytes(module, trackerModule());
  ASSERT_TRUE(writeTone(tone, {}));

  sound::SampleId first = e.engine.loadSample(file, kLoadMode), second = e.engine.loadSample(file, kLoadMode);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_EQ(e.engine.loadSample(file, kLoadMode), 0u) << "a third would pass the budget";
  const size_t two = sound::soundBytesInUse();
  EXPECT_GE(two, 2 * size_t(blocks) * kStereoBlock);

  // What is left still takes small things, each counted.
  sound::SongId song = e.engine.loadSong(module);
  ASSERT_NE(song, 0u);
  EXPECT_GT(sound::soundBytesInUse(), two);
  sound::StreamId stream = e.engine.openStream(tone, kLoadMode);
  ASSERT_NE(stream, 0u);

  // Playing keeps a sample's frames alive past its free; they count until they go.
  int channel = e.engine.playSample(sound::kAnyChannel, first);
  e.engine.freeSample(first);
  EXPECT_FALSE(e.engine.channelIsPlaying(channel)) << "freeing stops it";
  e.render(512);
  sound::SampleId third = e.engine.loadSample(file, kLoadMode);
  EXPECT_NE(third, 0u) << "the freed sample's room is there again";

  for (sound::SampleId s : {second, third}) e.engine.freeSample(s);
  e.engine.freeSong(song);
  e.engine.closeStream(stream);
  e.render(512);
  EXPECT_EQ(sound::soundBytesInUse(), 0u);
}

// A song is refused when its file alone does not fit in what is left.
TEST(HostileSounds, SongsPastTheBudgetGiveNothing) {
  OfflineEngine e;
  const int blocks = static_cast<int>(sound::kSoundBudget / kStereoBlock) - 1;  // nearly all of it
  const std::string file = e.dir.file("most.flac"), module = e.dir.file("song.mod");
  writeBytes(file, silentFlac(blocks));
  auto bytes = trackerModule();
  bytes.resize(1 << 20, 0);  // a megabyte of module: sample data past the end is ignored
  writeBytes(module, bytes);
  sound::SampleId most = e.engine.loadSample(file, kLoadMode);
  ASSERT_NE(most, 0u);
  EXPECT_EQ(e.engine.loadSong(module), 0u);
  e.engine.freeSample(most);
  sound::SongId song = e.engine.loadSong(module);
  EXPECT_NE(song, 0u);
  e.engine.freeSong(song);
}

}  // namespace
}  // namespace korva::test
