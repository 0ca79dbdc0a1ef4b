// The demo game recorded under scripted input, its random generator seeded from the clock,
// then replayed on both CPUs with every frame compared; and the same recording against the
// game with one byte of its data changed, where --verify names the first frame that parts.
#include <gtest/gtest.h>

#include <regex>

#include "guest/backend.h"
#include "replay/replay_support.h"
#include "support/demo_script.h"

namespace korva {
namespace {

using test::contains;

constexpr const char* kShortGame = test::kDemoShortGame;
constexpr int kFrames = 200;

class DemoReplay : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::testDir();
    test::writeAll(dir_ + "/input.txt", kShortGame);
  }
  // No seed on the command line: the game seeds its generator from MilliSecs.
  std::string gameArguments() const { return KORVA_SOURCE_DIR "/examples/game/assets " + dir_ + "/scores.txt"; }
  test::ProcessResult record(const std::string& options) {
    return test::korva("--frames " + std::to_string(kFrames) + " --input " + dir_ + "/input.txt --record " +
                           recording() + " " + options,
                       test::programPath("game"), gameArguments());
  }
  std::string recording() const { return dir_ + "/game.korvarec"; }
  std::string dir_;
};

TEST_F(DemoReplay, EveryFrameAndTheGuestMemoryOfEachComeBackOnBothCpus) {
  test::ProcessResult r = record("--record-memory");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  ASSERT_TRUE(contains(r.errors, "recorded " + std::to_string(kFrames) + " frames")) << r.errors;

  std::vector<std::string> cpus = {"emulated"};
  if (guest::nativeUnavailableReason().empty()) cpus.push_back("native");
  for (const std::string& cpu : cpus) {
    // The high-score file the recorded run wrote is there now; the replay must read the
    // table as it was (missing), not as it is.
    test::ProcessResult replay = test::korva("--cpu " + cpu + " --replay " + recording() + " --verify",
                                             test::programPath("game"), gameArguments());
    EXPECT_EQ(replay.exitCode, 0) << cpu << ": " << replay.errors;
    EXPECT_TRUE(contains(replay.errors, "replayed " + std::to_string(kFrames) + " frames")) << cpu << replay.errors;
    EXPECT_TRUE(contains(replay.errors, "to the recording's end; every frame is the recording's")) << replay.errors;
  }
}

TEST_F(DemoReplay, OneChangedByteOfTheProgramIsFoundAtTheFirstFrameThatShowsIt) {
  test::ProcessResult r = record("--record-frames");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  // The same game under the same name, with "GAME OVER" spelt with a zero: only the
  // game-over screen, long after the start, draws that text.
  std::string image = test::readAll(test::programPath("game"));
  size_t at = image.find("GAME OVER");
  ASSERT_NE(at, std::string::npos);
  image[at + 5] = '0';
  std::filesystem::create_directories(dir_ + "/changed");
  const std::string changed = dir_ + "/changed/game.kbm";
  test::writeAll(changed, image);

  test::ProcessResult replay = test::korva("--replay " + recording() + " --verify", changed, gameArguments());
  EXPECT_EQ(replay.exitCode, 1) << replay.errors;
  EXPECT_TRUE(contains(replay.errors, "not the program that was recorded")) << replay.errors;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(replay.errors, m, std::regex("frame ([0-9]+) differs from the recording's")))
      << replay.errors;
  const int frame = std::stoi(m[1]);
  EXPECT_GT(frame, 150) << "the title and the game draw no such text";
  EXPECT_LT(frame, kFrames);
  char name[48];
  std::snprintf(name, sizeof name, "/frame-%06d-", frame);
  const std::string pictures = recording() + ".verify" + name;
  std::vector<uint32_t> replayed = test::pngPixels(pictures + "replayed.png");
  std::vector<uint32_t> recorded = test::pngPixels(pictures + "recorded.png");
  ASSERT_EQ(replayed.size(), 640u * 480u) << replay.errors;
  ASSERT_EQ(recorded.size(), replayed.size());
  // They part only where the title of the game-over screen is drawn (centred on y 70).
  int differing = 0, outside = 0;
  for (size_t i = 0; i < replayed.size(); ++i) {
    if (replayed[i] == recorded[i]) continue;
    ++differing;
    const size_t y = i / 640;
    if (y < 30 || y > 110) ++outside;
  }
  EXPECT_GT(differing, 0);
  EXPECT_EQ(outside, 0) << differing << " pixels differ";
}

}  // namespace
}  // namespace korva
