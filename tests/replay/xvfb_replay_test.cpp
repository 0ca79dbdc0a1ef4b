// A real window under Xvfb: keys typed with xdotool while korva records, then a headless
// replay of the recording draws the same frames, the last one pixel for pixel.
#include <gtest/gtest.h>

#include <chrono>

#include "replay/replay_support.h"
#include "support/xvfb.h"

namespace korva {
namespace {

using XvfbReplay = test::XvfbTest;

std::string lastPng(const std::string& dir) {
  std::string last;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename().string() > std::filesystem::path(last).filename().string()) last = entry.path();
  return last;
}

TEST_F(XvfbReplay, KeysTypedIntoTheWindowComeBackInAHeadlessReplay) {
  const std::string dir = test::testDir();
  const std::string recording = dir + "/keys.korvarec", log = dir + "/korva.log";
  pid_t korva = startKorva({"--record", recording, "--screenshot", dir + "/window", test::programPath("replay"), "k"},
                           log);
  ASSERT_GT(korva, 0);
  ASSERT_TRUE(test::awaitInFile(log, "ready\n")) << test::slurp(log);
  test::ProcessResult typed = pressInRuntimeWindow("space");
  ASSERT_EQ(typed.exitCode, 0) << typed.errors;
  typed = test::runCommand(xdotool("keydown Right sleep 0.4 keyup Right key space sleep 0.2 keydown Left sleep 0.2 "
                                   "keyup Left sleep 0.2 key Escape"));
  ASSERT_EQ(typed.exitCode, 0) << typed.errors;
  ASSERT_TRUE(test::waitFor(korva, std::chrono::seconds(10))) << "the program did not end: " << test::slurp(log);
  ASSERT_TRUE(test::contains(test::slurp(log), "korva: recorded")) << test::slurp(log);

  test::ProcessResult r =
      test::korva("--replay " + recording + " --verify --screenshot " + dir + "/replayed", test::programPath("replay"), "");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(test::contains(r.errors, "every frame is the recording's")) << r.errors;

  const std::string windowLast = lastPng(dir + "/window"), replayLast = lastPng(dir + "/replayed");
  EXPECT_EQ(std::filesystem::path(windowLast).filename(), std::filesystem::path(replayLast).filename())
      << "as many frames";
  std::vector<uint32_t> shown = test::pngPixels(windowLast), replayed = test::pngPixels(replayLast);
  ASSERT_EQ(shown.size(), 320u * 240u);
  EXPECT_EQ(shown, replayed);
  // The keys did something: the block moved and Space was counted since the first frame.
  EXPECT_NE(shown, test::pngPixels(dir + "/window/frame-000001.png"));
}

}  // namespace
}  // namespace korva
