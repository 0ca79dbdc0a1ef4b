// A capture replays pointer positions in the game's own pixels: the player's window
// choices, from the command line, the environment or the remembered settings, do not
// move them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/process.h"
#include "window/user_files.h"

namespace korva {
namespace {

TEST(CaptureAndPlayer, ScriptedClicksLandOnTheSameGamePixelWhateverThePlayerChose) {
  const std::string dir = test::tempDir() + "/capture-player";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/input.txt") << "3 mouse move 100 50\n4 mouse down 1\n5 mouse up 1\n";
  ASSERT_TRUE(writeSettings(dir + "/.config/korva/player_window.conf", {{"fullscreen", "1"}}));
  for (const char* choice : {"", "--scale 3 --scaling fit", "--fullscreen"}) {
    SCOPED_TRACE(choice);
    auto r = test::runCommand("HOME=" + dir + " XDG_CONFIG_HOME= KORVA_SCALE=2 timeout 60 " + test::buildDir() +
                              "/korva --headless --debug --frames 20 --input " + dir + "/input.txt " + choice + " " +
                              test::programPath("player_window"));
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.errors.find("click 100,50 width 320"), std::string::npos) << r.errors;
  }
}

}  // namespace
}  // namespace korva
