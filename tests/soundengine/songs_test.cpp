// Songs: a tracker module and a MIDI file of our own making, rendered offline.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "soundengine/engine_helpers.h"
#include "soundengine/private/songs.h"

namespace korva::test {
namespace {

class Songs : public ::testing::Test {
 protected:
  sound::SongId load(const std::string& name, const std::vector<unsigned char>& bytes) {
    std::string path = e.dir.file(name);
    writeBytes(path, bytes);
    return e.engine.loadSong(path);
  }
  void requireSoundFont() {
    if (sound::findSoundFont().empty()) GTEST_SKIP() << "no General MIDI sound font installed (timgm6mb-soundfont)";
  }
  OfflineEngine e;
};

TEST_F(Songs, TrackerModulePlays) {
  sound::SongId song = load("song.mod", trackerModule());
  ASSERT_NE(song, 0u);
  EXPECT_FALSE(e.engine.songIsPlaying(song));
  EXPECT_TRUE(silent(e.render(4410)));
  ASSERT_TRUE(e.engine.playSong(song));
  EXPECT_TRUE(e.engine.songIsPlaying(song));
  Peak p = peakOf(e.render(8820));
  EXPECT_GT(p.left, 0.01f);
  EXPECT_GT(p.right, 0.01f);
}

TEST_F(Songs, MasterVolumeAndPauseSilence) {
  sound::SongId song = load("song.mod", trackerModule());
  ASSERT_NE(song, 0u);
  e.engine.playSong(song);
  e.engine.setSongMasterVolume(song, 0);
  EXPECT_TRUE(silent(e.render(4410)));
  e.engine.setSongMasterVolume(song, 255);
  e.engine.setSongPaused(song, true);
  EXPECT_TRUE(silent(e.render(4410)));
  EXPECT_TRUE(e.engine.songIsPlaying(song));
  e.engine.setSongPaused(song, false);
  EXPECT_FALSE(silent(e.render(4410)));
  e.engine.stopSong(song);
  EXPECT_FALSE(e.engine.songIsPlaying(song));
  EXPECT_TRUE(silent(e.render(4410)));
}

TEST_F(Songs, PlayedAgainStartsFromTheBeginning) {
  sound::SongId song = load("song.mod", trackerModule());
  e.engine.playSong(song);
  std::vector<float> start = e.render(2000);
  e.render(20000);
  e.engine.playSong(song);
  EXPECT_EQ(e.render(2000), start);
}

TEST_F(Songs, MidiFilePlaysAndEnds) {
  requireSoundFont();
  sound::SongId song = load("theme.mid", midiFile());
  ASSERT_NE(song, 0u);
  e.engine.playSong(song);
  Peak p = peakOf(e.render(11025));
  EXPECT_GT(p.left, 0.01f);
  EXPECT_GT(p.right, 0.01f);
  // The note lasts half a second; the player is done soon after.
  for (int i = 0; i < 40 && e.engine.songIsPlaying(song); ++i) e.render(4410);
  EXPECT_FALSE(e.engine.songIsPlaying(song));
}

TEST_F(Songs, MidiWithoutSoundFontDoesNotLoad) {
  const char* before = std::getenv("KORVA_SOUNDFONT");
  std::string saved = before ? before : "";
  setenv("KORVA_SOUNDFONT", e.dir.file("none.sf2").c_str(), 1);
  sound::SongId song = load("theme.mid", midiFile());
  if (before)
    setenv("KORVA_SOUNDFONT", saved.c_str(), 1);
  else
    unsetenv("KORVA_SOUNDFONT");
  EXPECT_EQ(song, 0u);
}

TEST_F(Songs, SampledFileLoadsAsSong) {
  std::string path = e.dir.file("theme.WAV");
  ASSERT_TRUE(writeTone(path, {.frames = 4410}));
  sound::SongId song = e.engine.loadSong(path);
  ASSERT_NE(song, 0u);
  e.engine.playSong(song);
  EXPECT_NEAR(peakOf(e.render(2000)).left, 0.5f, 0.01f);
  e.render(3000);
  EXPECT_FALSE(e.engine.songIsPlaying(song));
}

TEST(MidiCheck, AcceptsOnlyWholeFiles) {
  std::vector<unsigned char> good = midiFile();
  EXPECT_TRUE(sound::isWellFormedMidi(good));
  std::vector<unsigned char> cut(good.begin(), good.end() - 3);
  EXPECT_FALSE(sound::isWellFormedMidi(cut));
  std::vector<unsigned char> noTracks = good;
  noTracks[11] = 0;
  EXPECT_FALSE(sound::isWellFormedMidi(noTracks));
  std::vector<unsigned char> moreTracks = good;
  moreTracks[11] = 2;
  EXPECT_FALSE(sound::isWellFormedMidi(moreTracks));
  std::vector<unsigned char> hugeChunk = good;
  hugeChunk[18] = 0xFF;
  EXPECT_FALSE(sound::isWellFormedMidi(hugeChunk));
  EXPECT_FALSE(sound::isWellFormedMidi({'M', 'T', 'h', 'd'}));
}

TEST_F(Songs, BrokenSongsGiveNothing) {
  std::vector<unsigned char> midi = midiFile();
  EXPECT_EQ(load("cut.mid", {midi.begin(), midi.end() - 3}), 0u);
  std::vector<unsigned char> mod = trackerModule();
  EXPECT_EQ(load("cut.mod", {mod.begin(), mod.begin() + 600}), 0u);
  EXPECT_EQ(load("empty.mod", {}), 0u);
  EXPECT_EQ(e.engine.loadSong(e.dir.file("missing.mod")), 0u);
}

}  // namespace
}  // namespace korva::test
