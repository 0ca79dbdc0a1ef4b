// The sound commands in a running program, end to end through SDL's dummy audio device,
// and again with no audio device at all.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>

#include "app/module_list.h"
#include "soundengine/sound_files.h"
#include "support/process.h"
#include "support/programs.h"

namespace korva::test {
namespace {

TEST(AudioModule, RegistersTheSixteenCommandsInOrder) {
  const char* expected[] = {
      "%LoadSound$filename",     "FreeSound%sound",          "LoopSound%sound",          "SoundPitch%sound%pitch",
      "SoundVolume%sound#volume", "SoundPan%sound#pan",      "%PlaySound%sound",         "%PlayMusic$midifile",
      "%PlayCDTrack%track%mode=1", "StopChannel%channel",    "PauseChannel%channel",     "ResumeChannel%channel",
      "ChannelPitch%channel%pitch", "ChannelVolume%channel#volume", "ChannelPan%channel#pan", "%ChannelPlaying%channel",
  };
  auto symbols = audio_module().symbols;
  ASSERT_EQ(symbols.size(), std::size(expected));
  for (size_t i = 0; i < symbols.size(); ++i) EXPECT_STREQ(symbols[i].decl, expected[i]);
}

class SoundProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(writeTone(dir.file("tone.wav"), {.frames = 4410}));
    std::vector<unsigned char> good = readBytes(dir.file("tone.wav"));
    writeBytes(dir.file("corrupt.wav"), {good.begin(), good.begin() + good.size() / 2});
    writeBytes(dir.file("song.mod"), trackerModule());
  }
  static uint32_t entry() { return linkedProgram("audio"); }
  ProgramRun run(char which, bool debug = false) {
    return runEntry(entry(), debug, std::string(1, which) + " " + dir.path());
  }
  TempDir dir;
};

using Logs = std::vector<std::string>;

TEST_F(SoundProgram, SamplesPlayEndAndTheirChannelsAreReused) {
  ProgramRun r = run('p');
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.logs, (Logs{"loaded 1", "two channels 1", "playing 1", "ended within two seconds 1", "reused 1",
                          "stopped 0", "missing 0", "corrupt 0"}));
}

TEST_F(SoundProgram, MusicStreamsAndSongsByName) {
  ProgramRun r = run('m');
  EXPECT_EQ(r.logs, (Logs{"stream 1", "same again 1", "song 1", "missing 0", "stream ended 1"}));
}

TEST_F(SoundProgram, ChannelHandlesNoCommandGaveReachNothing) {
  for (bool debug : {false, true}) {
    ProgramRun r = run('c', debug);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.logs, (Logs{"zero playing 0", "unknown playing 0", "cd 1", "cd playing 1", "done"}));
  }
}

TEST_F(SoundProgram, FreedSoundIsAnErrorOnlyInDebugMode) {
  EXPECT_EQ(run('f').logs, (Logs{"play freed 0"}));
  ProgramRun debug = run('f', true);
  EXPECT_TRUE(debug.logs.empty());
  EXPECT_EQ(debug.errors, (Logs{"Sound does not exist"}));
  EXPECT_EQ(run('d').logs, (Logs{"after volume"}));
  EXPECT_EQ(run('d', true).errors, (Logs{"Sound does not exist"}));
}

TEST_F(SoundProgram, WithoutAnAudioDeviceCommandsKeepTheirResults) {
  const char* before = std::getenv("SDL_AUDIODRIVER");
  std::string saved = before ? before : "";
  setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
  ProgramRun samples = run('p');
  ProgramRun music = run('m');
  if (before)
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(samples.logs, (Logs{"loaded 1", "two channels 1", "playing 1", "ended within two seconds 1", "reused 1",
                                "stopped 0", "missing 0", "corrupt 0"}));
  EXPECT_EQ(music.logs, (Logs{"stream 1", "same again 1", "song 1", "missing 0", "stream ended 1"}));
}


// A machine with no sound card: the libraries' complaints stay off stderr; a program that
// uses sound gets one line saying sound is off and why, and one that does not gets none.
TEST_F(SoundProgram, NoSoundCardIsOneLineAndOnlyForProgramsThatUseSound) {
  std::ofstream(dir.file("no-cards.conf")) << "# no cards, no PCMs\n";
  std::string env = "env -u SDL_AUDIODRIVER ALSA_CONFIG_PATH=" + dir.file("no-cards.conf") + " ";
  for (const char* driver : {"", "SDL_AUDIODRIVER=alsa "}) {
    SCOPED_TRACE(driver);
    ProcessResult quiet = runCommand(env + driver + buildDir() + "/korva " + programPath("hello"));
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.errors, "");
    ProcessResult playing =
        runCommand(env + driver + buildDir() + "/korva " + programPath("audio") + " p " + dir.path());
    EXPECT_EQ(playing.exitCode, 0);
    EXPECT_EQ(playing.errors.rfind("korva: sound is off: ", 0), 0u) << playing.errors;
    EXPECT_EQ(std::count(playing.errors.begin(), playing.errors.end(), '\n'), 1) << playing.errors;
  }
}

}  // namespace
}  // namespace korva::test
