// Executables that carry their program take the capture options and --help only in front
// of the program's own arguments.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/package/carried_start.h"
#include "link/image_source.h"
#include "package/package_support.h"
#include "support/programs.h"

namespace korva::test {
namespace {

TEST(CarriedOptions, OnlyLeadingOptionsAreTaken) {
  const struct {
    std::vector<std::string> args;
    size_t taken;
    bool help;
    std::string error;
    bool headless;
    int64_t frames;
  } cases[] = {
      {{}, 0, false, "", false, 0},
      {{"level1"}, 0, false, "", false, 0},
      {{"--headless", "--frames", "5", "level1", "--frames", "9"}, 3, false, "", true, 5},
      {{"level1", "--headless"}, 0, false, "", false, 0},
      {{"--", "--headless"}, 1, false, "", false, 0},
      {{"--headless", "--", "--frames", "5"}, 2, false, "", true, 0},
      {{"--help", "level1"}, 1, true, "", false, 0},
      {{"--frames"}, 1, false, "--frames needs a value", false, 0},
      {{"--frames", "zero", "x"}, 2, false, "--frames needs a whole number from 1 up", false, 0},
      {{"--debug", "--headless"}, 0, false, "", false, 0},  // korva's own options are the game's here
      {{"-h"}, 0, false, "", false, 0},
      {{"--screenshot", "shots", "--every", "2", "--input", "keys.txt", "a b"}, 6, false, "", false, 0},
  };
  for (const auto& c : cases) {
    capture::CaptureOptions options;
    package::CarriedOptions r = package::takeCarriedOptions(c.args, options);
    const std::string what = ::testing::PrintToString(c.args);
    EXPECT_EQ(r.taken, c.taken) << what;
    EXPECT_EQ(r.help, c.help) << what;
    EXPECT_EQ(r.error, c.error) << what;
    EXPECT_EQ(options.headless, c.headless) << what;
    EXPECT_EQ(options.frames, c.frames) << what;
  }
}

class Carried : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = tempDir() + "/carried-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(folder_);
    exe_ = folder_ + "/parts";
    ASSERT_EQ(bundle(buildDir() + "/korva", programImage("package_parts"), exe_), "");
  }
  ProcessResult run(const std::string& args) { return runCommand("cd " + folder_ + " && ./parts " + args); }
  std::string folder_, exe_;
};

TEST_F(Carried, CaptureOptionsInFrontRunItHeadlessAndTheRestIsTheGames) {
  ProcessResult r = run("--headless --frames 2 --screenshot shots f --frames 9 \"a b\"");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_EQ(readText(folder_ + "/args.txt"), "f --frames 9 \"a b\"\r\n");
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/shots/frame-000001.png"));
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/shots/frame-000002.png"));
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/shots/frame-000003.png"));
  EXPECT_NE(r.errors.find("2 frames presented"), std::string::npos) << r.errors;
}

TEST_F(Carried, OptionsAfterTheGamesFirstArgumentOrAfterDashesAreTheGames) {
  const struct {
    const char* args;
    const char* seen;
  } cases[] = {{"x --headless --frames 2", "x --headless --frames 2"},
               {"-- --headless", "--headless"},
               {"--debug x", "--debug x"},
               {"", ""}};
  for (const auto& c : cases) {
    ProcessResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 0) << c.args << r.errors;
    EXPECT_EQ(r.errors, "") << c.args;  // no capture summary: no capture
    EXPECT_EQ(readText(folder_ + "/args.txt"), std::string(c.seen) + "\r\n") << c.args;
  }
}

TEST_F(Carried, HelpAndWrongOptionsEndBeforeTheGameStarts) {
  ProcessResult r = run("--help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output.rfind("usage: parts [--headless]", 0), 0u) << r.output;
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/args.txt"));

  r = run("--frames");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.errors.rfind("parts: --frames needs a value\nusage: parts", 0), 0u) << r.errors;
  r = run("--headless --every 2 x");  // --every without --screenshot
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.errors.find("--every needs --screenshot"), std::string::npos) << r.errors;
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/args.txt"));
}

}  // namespace
}  // namespace korva::test
