// The player's choices as written (options, variables, the settings file), where the XDG
// rules put the player's files, and which keys are the run-time's own.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/scoped_env.h"
#include "support/process.h"
#include "window/hot_keys.h"
#include "window/player_settings.h"
#include "window/user_files.h"

namespace korva {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

TEST(PlayerSettings, ValuesAreTakenAsWrittenOrLeftAlone) {
  struct Case {
    const char* text;
    bool scale, scaling, filter, onOff;
  } cases[] = {
      {"1", true, false, false, true},       {"3", true, false, false, false},   {"16", true, false, false, false},
      {"0", false, false, false, true},      {"17", false, false, false, false}, {"-2", false, false, false, false},
      {"integer", false, true, false, false}, {"fit", false, true, false, false}, {"stretch", false, true, false, false},
      {"nearest", false, false, true, false}, {"linear", false, false, true, false}, {"Fit", false, false, false, false},
      {"yes", false, false, false, true},    {"off", false, false, false, true}, {"", false, false, false, false},
  };
  for (const Case& c : cases) {
    int scale = 99, onOff = 99;
    Scaling scaling = Scaling::kStretch;
    Filter filter = Filter::kChosenByScaling;
    EXPECT_EQ(parseScale(c.text, scale), c.scale) << c.text;
    EXPECT_EQ(parseScaling(c.text, scaling), c.scaling) << c.text;
    EXPECT_EQ(parseFilter(c.text, filter), c.filter) << c.text;
    EXPECT_EQ(parseOnOff(c.text, onOff), c.onOff) << c.text;
    if (!c.scale) {
      EXPECT_EQ(scale, 99) << c.text;
    }
  }
}

TEST(PlayerSettings, FromTheEnvironmentWithBadValuesLeftOut) {
  ScopedEnv scale("KORVA_SCALE", "4"), full("KORVA_FULLSCREEN", "1"), scaling("KORVA_SCALING", "fit"),
      filter("KORVA_FILTER", "sharp"), game("KORVA_GAME", "rocks");
  ::testing::internal::CaptureStderr();
  PlayerSettings s = playerSettingsFromEnvironment();
  std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(s.scale, 4);
  EXPECT_EQ(s.fullScreen, 1);
  EXPECT_EQ(s.scaling, Scaling::kFit);
  EXPECT_EQ(s.filter, Filter::kChosenByScaling);
  EXPECT_EQ(s.game, "rocks");
  EXPECT_NE(said.find("KORVA_FILTER=sharp"), std::string::npos) << said;
  // Fit smooths unless told otherwise; integer keeps hard pixels unless told otherwise.
  EXPECT_TRUE(s.smooth(Scaling::kFit));
  EXPECT_FALSE(s.smooth(Scaling::kInteger));
  s.filter = Filter::kLinear;
  EXPECT_TRUE(s.smooth(Scaling::kInteger));
  s.filter = Filter::kNearest;
  EXPECT_FALSE(s.smooth(Scaling::kFit));
}

TEST(UserFiles, FoldersFollowTheXdgRules) {
  const std::string home = test::tempDir() + "/xdg-home";
  fs::create_directories(home + "/.config");
  ScopedEnv h("HOME", home.c_str());
  {
    ScopedEnv none("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(configFolder(), home + "/.config");
    EXPECT_EQ(picturesFolder(), home + "/Pictures");
  }
  {
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");  // ignored, as the rules say
    EXPECT_EQ(configFolder(), home + "/.config");
  }
  std::ofstream(home + "/.config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                    << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                    << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  ScopedEnv none("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(picturesFolder(), home + "/Bilder");
  EXPECT_EQ(settingsFilePath("rocks"), home + "/.config/korva/rocks.conf");
  EXPECT_EQ(settingsFilePath(""), "");
}

TEST(UserFiles, GameNamesBecomeOneSafeFileNamePart) {
  struct Case {
    const char* game;
    const char* file;
  } cases[] = {{"rocks", "rocks"},         {"Korva Rocks", "Korva_Rocks"}, {"../../etc/passwd", "_._.._etc_passwd"},
               {".hidden", "_hidden"},     {"a/b", "a_b"},                 {"", ""},
               {"v1.2-final_x", "v1.2-final_x"}};
  for (const Case& c : cases) EXPECT_EQ(fileSafeName(c.game), c.file) << c.game;
  EXPECT_EQ(fileSafeName(std::string(300, 'x')).size(), 64u);
}

TEST(UserFiles, SettingsGoBackAndForthAndScreenshotsNeverOverwrite) {
  const std::string dir = test::tempDir() + "/settings";
  const std::string path = dir + "/deep/korva/rocks.conf";
  EXPECT_TRUE(readSettings(path).empty());
  ASSERT_TRUE(writeSettings(path, {{"fullscreen", "1"}, {"other", "kept"}}));
  auto read = readSettings(path);
  EXPECT_EQ(read["fullscreen"], "1");
  EXPECT_EQ(read["other"], "kept");
  std::ofstream(path, std::ios::app) << "no equals sign here\n  spaced =  value  \n";
  read = readSettings(path);
  EXPECT_EQ(read["spaced"], "value");
  EXPECT_EQ(read.size(), 3u);
  // A folder where the file should be: nothing read, nothing written.
  fs::create_directories(dir + "/blocked.conf");
  EXPECT_TRUE(readSettings(dir + "/blocked.conf").empty());
  EXPECT_FALSE(writeSettings(dir + "/blocked.conf", {{"a", "b"}}));

  const std::string shots = dir + "/shots";
  fs::create_directories(shots);
  EXPECT_EQ(nextScreenshotPath(shots, "rocks", "2026-01-02"), shots + "/rocks-2026-01-02-1.png");
  std::ofstream(shots + "/rocks-2026-01-02-1.png") << "x";
  std::ofstream(shots + "/rocks-2026-01-02-2.png") << "x";
  EXPECT_EQ(nextScreenshotPath(shots, "rocks", "2026-01-02"), shots + "/rocks-2026-01-02-3.png");
  EXPECT_EQ(nextScreenshotPath(shots, "", "2026-01-02"), "");
}

SDL_KeyboardEvent keyEvent(uint32_t type, SDL_Scancode sc, uint16_t mod = 0, uint8_t repeat = 0) {
  SDL_KeyboardEvent k{};
  k.type = type;
  k.repeat = repeat;
  k.keysym.scancode = sc;
  k.keysym.mod = mod;
  return k;
}

TEST(HotKeys, OnlyChordsAGameDoesNotReadAreTaken) {
  struct Case {
    SDL_Scancode sc;
    uint16_t mod;
    HotKey key;
  } cases[] = {
      {SDL_SCANCODE_RETURN, KMOD_LALT, HotKey::kToggleFullScreen},
      {SDL_SCANCODE_KP_ENTER, KMOD_RALT, HotKey::kToggleFullScreen},
      {SDL_SCANCODE_F12, KMOD_LALT, HotKey::kScreenshot},
      {SDL_SCANCODE_PRINTSCREEN, 0, HotKey::kScreenshot},
      {SDL_SCANCODE_RETURN, 0, HotKey::kNone},
      {SDL_SCANCODE_F12, 0, HotKey::kNone},
      {SDL_SCANCODE_F11, 0, HotKey::kNone},
      {SDL_SCANCODE_RETURN, KMOD_LALT | KMOD_LCTRL, HotKey::kNone},
      {SDL_SCANCODE_RETURN, KMOD_LALT | KMOD_LGUI, HotKey::kNone},
      {SDL_SCANCODE_RETURN, KMOD_LSHIFT, HotKey::kNone},
      {SDL_SCANCODE_A, KMOD_LALT, HotKey::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(hotKeyFor(c.sc, c.mod), c.key) << SDL_GetScancodeName(c.sc) << " " << c.mod;
}

TEST(HotKeys, ATakenPressTakesItsRepeatsAndReleaseWhateverTheModifiersThen) {
  HotKeyFilter filter;
  struct Step {
    SDL_KeyboardEvent event;
    HotKey action;
    bool taken;
  } steps[] = {
      {keyEvent(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT), HotKey::kNone, false},   // Alt: the game's
      {keyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT), HotKey::kToggleFullScreen, true},
      {keyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT, 1), HotKey::kNone, true},  // repeat
      {keyEvent(SDL_KEYUP, SDL_SCANCODE_LALT, 0), HotKey::kNone, false},
      {keyEvent(SDL_KEYUP, SDL_SCANCODE_RETURN, 0), HotKey::kNone, true},  // Alt already up
      {keyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN, 0), HotKey::kNone, false},  // plain Enter again
      {keyEvent(SDL_KEYUP, SDL_SCANCODE_RETURN, 0), HotKey::kNone, false},
      {keyEvent(SDL_KEYUP, SDL_SCANCODE_F12, KMOD_LALT), HotKey::kNone, false},  // a release alone
      {keyEvent(SDL_KEYDOWN, SDL_SCANCODE_PRINTSCREEN, 0), HotKey::kScreenshot, true},
      {keyEvent(SDL_KEYUP, SDL_SCANCODE_PRINTSCREEN, 0), HotKey::kNone, true},
  };
  int n = 0;
  for (const Step& s : steps) {
    HotKeyFilter::Verdict v = filter.filter(s.event);
    EXPECT_EQ(v.action, s.action) << "step " << n;
    EXPECT_EQ(v.taken, s.taken) << "step " << n;
    ++n;
  }
}

}  // namespace
}  // namespace korva
