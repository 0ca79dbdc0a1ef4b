// The audio driver over an engine mixed offline: units, sound defaults, the channel pool,
// the music table, the CD and the end.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "audio/driver/audio_driver.h"
#include "audio/driver/channels.h"
#include "core/handles.h"
#include "soundengine/engine_helpers.h"

namespace korva::test {
namespace {

using audio::AudioDriver;
using audio::Channel;
using audio::Sound;

TEST(Units, VolumeAndPanTruncateTowardZero) {
  struct Case {
    float value;
    int volume, pan;
  } cases[] = {
      {1.0f, 255, 255},     {0.5f, 127, 191},  {0.0f, 0, 127},           {-1.0f, -255, 0},
      {2.0f, 510, 382},     {-0.003f, 0, 127}, {NAN, 0, 0},              {1e30f, INT_MAX, INT_MAX},
      {-1e30f, INT_MIN, INT_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(audio::volumeUnits(c.value), c.volume);
    EXPECT_EQ(audio::panUnits(c.value), c.pan);
  }
}

TEST(Units, SixTextsSelectStreaming) {
  struct Case {
    const char* name;
    bool streamed;
  } cases[] = {
      {"theme.wav", true},  {"theme.mp3", true},  {"a.raw", true},        {"b.mp2", true},
      {"c.wma", true},      {"d.asf", true},      {"x.wav.bak", true},    {"theme.mid", false},
      {"theme.WAV", false}, {"theme.ogg", false}, {"music/song", false},  {"theme.Mp3", false},
  };
  for (const Case& c : cases) EXPECT_EQ(audio::isStreamedName(c.name), c.streamed) << c.name;
}

class Driver : public ::testing::Test {
 protected:
  static std::unique_ptr<sound::SoundEngine> offlineEngine() {
    auto e = std::make_unique<sound::SoundEngine>();
    // The mix itself: the master bus's limiter would delay it.
    e->init(sound::kMixRate, sound::kMixChannels, sound::kNoOutput | sound::kNoLimiter);
    return e;
  }
  std::string tone(const std::string& name, const Tone& t = {}) {
    std::string path = dir.file(name);
    EXPECT_TRUE(writeTone(path, t));
    return path;
  }
  std::vector<float> render(int frames) {
    std::vector<float> out(static_cast<size_t>(2 * frames));
    driver.engine().render(out.data(), frames);
    return out;
  }
  int framesUntilStopped(Channel* c) {
    int frames = 0;
    for (; c->playing() && frames < 441000; frames += 16) render(16);
    return frames;
  }
  Sound* loadTone(const Tone& t = {}) { return driver.loadSound(tone("tone" + std::to_string(++files) + ".wav", t)); }

  TempDir dir;
  AudioDriver driver{offlineEngine()};
  int files = 0;
};

TEST_F(Driver, SoundTakesTheSampleDefaults) {
  Sound* s = loadTone({.rate = 22050});
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->inSync());
  EXPECT_EQ(s->frequency(), 22050);
  EXPECT_EQ(s->volume(), 255);
  EXPECT_EQ(s->pan(), 128);
  EXPECT_EQ(driver.isSound(s->handle()), s);
  EXPECT_EQ(Handles::get<Sound>(s->handle(), HandleKind::Sound), s);
  EXPECT_EQ(driver.loadSound(dir.file("missing.wav")), nullptr);
}

TEST_F(Driver, DefaultsAreStoredThenWrittenAtTheNextPlay) {
  Sound* s = loadTone();
  struct Case {
    float pan;
    int stored;
  } pans[] = {{0.0f, 127}, {-1.0f, 0}, {1.0f, 255}};
  for (const Case& c : pans) {
    s->setPan(c.pan);
    EXPECT_EQ(s->pan(), c.stored);
  }
  s->setVolume(0.5f);
  s->setPitch(22050);
  EXPECT_EQ(s->volume(), 127);
  EXPECT_FALSE(s->inSync());
  sound::SampleDefaults engine;
  driver.engine().sampleDefaults(s->sample(), engine);
  EXPECT_EQ(engine.volume, 255);
  ASSERT_TRUE(driver.playSound(*s));
  EXPECT_TRUE(s->inSync());
  driver.engine().sampleDefaults(s->sample(), engine);
  EXPECT_EQ(engine.volume, 127);
  EXPECT_EQ(engine.pan, 255);
  EXPECT_EQ(engine.frequency, 22050);
  EXPECT_EQ(engine.priority, s->priority());
}

TEST_F(Driver, SoundPitchDoesNotChangeASoundAlreadyPlaying) {
  Sound* s = loadTone();
  Channel* playing = driver.playSound(*s);
  s->setPitch(88200);
  EXPECT_NEAR(framesUntilStopped(playing), 4410, 16);
  EXPECT_NEAR(framesUntilStopped(driver.playSound(*s)), 2205, 16);
}

TEST_F(Driver, ChannelPitchVolumeAndPanActOnThePlayingSound) {
  Sound* s = loadTone();
  Channel* c = driver.playSound(*s);
  c->setPan(-1.0f);
  c->setVolume(0.5f);
  Peak p = peakOf(render(1000));
  EXPECT_NEAR(p.left, 0.25f, 0.01f);
  EXPECT_EQ(p.right, 0.0f);
  c->setPitch(88200);
  EXPECT_NEAR(framesUntilStopped(c), (4410 - 1000) / 2, 16);
}

TEST_F(Driver, FinishedSampleChannelIsHandedOutAgain) {
  Sound* s = loadTone();
  Channel* first = driver.playSound(*s);
  Channel* second = driver.playSound(*s);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_NE(first->handle(), second->handle());
  framesUntilStopped(first);
  EXPECT_FALSE(second->playing());
  Channel* third = driver.playSound(*s);
  EXPECT_EQ(third, first);
  EXPECT_TRUE(third->playing());
  EXPECT_EQ(driver.playSound(*s), second);
  // With every pooled channel busy, a new one is made.
  size_t made = driver.channelCount();
  Channel* fifth = driver.playSound(*s);
  EXPECT_NE(fifth, first);
  EXPECT_NE(fifth, second);
  EXPECT_EQ(driver.channelCount(), made + 1);
}

TEST_F(Driver, LoopSoundLoopsFromTheNextPlay) {
  Sound* s = loadTone({.frames = 441});
  s->setLoop();
  EXPECT_EQ(driver.engine().sampleLoopMode(s->sample()), sound::kLoopNormal);
  Channel* c = driver.playSound(*s);
  render(4410);
  EXPECT_TRUE(c->playing());
}

TEST_F(Driver, FreeSoundForgetsItOnce) {
  Sound* s = loadTone();
  uint32_t handle = s->handle();
  driver.freeSound(handle);
  EXPECT_EQ(driver.isSound(handle), nullptr);
  EXPECT_EQ(Handles::find(handle, HandleKind::Sound), nullptr);
  driver.freeSound(handle);
  driver.freeSound(0);
}

TEST_F(Driver, PlayMusicTwiceRestartsTheSameChannel) {
  std::string path = tone("theme.wav", {.frames = 20000});
  Channel* music = driver.playMusic(path);
  ASSERT_TRUE(music);
  std::vector<float> start = render(1000);
  render(5000);
  EXPECT_EQ(driver.playMusic(path), music);
  EXPECT_EQ(render(1000), start);
  // Another spelling of the same file is another entry.
  Channel* other = driver.playMusic(dir.path() + "/./theme.wav");
  ASSERT_TRUE(other);
  EXPECT_NE(other, music);
  EXPECT_EQ(driver.playMusic(dir.file("missing.wav")), nullptr);
}

TEST_F(Driver, MusicNameChoosesSongOrStream) {
  tone("theme.wav");
  tone("theme.WAV");
  tone("theme.mp3", {.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III});
  writeBytes(dir.file("theme.mid"), midiFile());
  writeBytes(dir.file("theme.mod"), trackerModule());
  const bool midi = !sound::findSoundFont().empty();
  struct Case {
    const char* name;
    bool song;
  } cases[] = {{"theme.wav", false}, {"theme.mp3", false}, {"theme.WAV", true}, {"theme.mod", true}, {"theme.mid", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Channel* channel = driver.playMusic(dir.file(c.name));
    if (std::string(c.name) == "theme.mid" && !midi) {
      EXPECT_EQ(channel, nullptr);  // no sound font: a MIDI song does not load
      continue;
    }
    ASSERT_TRUE(channel);
    EXPECT_EQ(dynamic_cast<audio::SongChannel*>(channel) != nullptr, c.song);
    EXPECT_EQ(dynamic_cast<audio::StreamChannel*>(channel) != nullptr, !c.song);
    EXPECT_TRUE(channel->playing());
    EXPECT_FALSE(silent(render(4410)));
    channel->stop();
    EXPECT_FALSE(channel->playing());
  }
}

TEST_F(Driver, StreamChannelTakesPitchAndPan) {
  Channel* c = driver.playMusic(tone("theme.wav"));
  ASSERT_TRUE(c);
  c->setPan(1.0f);
  Peak p = peakOf(render(1000));
  EXPECT_EQ(p.left, 0.0f);
  EXPECT_GT(p.right, 0.45f);
  c->setPitch(88200);
  EXPECT_NEAR(framesUntilStopped(c), (4410 - 1000) / 2, 16);
  c->restart();
  EXPECT_TRUE(c->playing());
}

TEST_F(Driver, PlayCDTrackMapsTheModes) {
  struct Case {
    int mode, engineMode;
  } cases[] = {{1, 1}, {2, 2}, {3, 0}, {7, 1}, {0, 1}, {-2, 1}};
  for (const Case& c : cases) {
    Channel* cd = driver.playCDTrack(4, c.mode);
    EXPECT_EQ(cd, driver.cdChannel());
    EXPECT_EQ(driver.engine().cd().playMode, c.engineMode) << c.mode;
    EXPECT_EQ(driver.engine().cd().track, 4);
  }
  driver.cdChannel()->stop();
  EXPECT_TRUE(driver.cdChannel()->playing());
}

TEST_F(Driver, EndReleasesEveryHandle) {
  std::vector<uint32_t> sounds, channels;
  {
    AudioDriver d(offlineEngine());
    Sound* s = d.loadSound(tone("a.wav"));
    sounds.push_back(s->handle());
    channels.push_back(d.playSound(*s)->handle());
    channels.push_back(d.playMusic(tone("b.wav"))->handle());
    channels.push_back(d.cdChannel()->handle());
    for (uint32_t h : channels) EXPECT_NE(Handles::find(h, HandleKind::Channel), nullptr);
  }
  for (uint32_t h : sounds) EXPECT_EQ(Handles::find(h, HandleKind::Sound), nullptr);
  for (uint32_t h : channels) EXPECT_EQ(Handles::find(h, HandleKind::Channel), nullptr);
}

}  // namespace
}  // namespace korva::test
