// The demo game played headless with scripted input draws the same frames, pixel for pixel,
// on the native CPU and on the emulated one flushing its translation cache thousands of
// times a second.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "guest/backend.h"
#include "support/png_pixels.h"
#include "support/process.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

// Plays in dir (the same path for both CPUs: the game prints where its scores are kept).
test::ProcessResult play(const std::string& dir, const std::string& environment) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  return test::runCommand(environment + " timeout 120 " + test::buildDir() +
                          "/korva --headless --frames 300 --every 60 --screenshot " + dir + " --input " +
                          KORVA_SOURCE_DIR "/examples/game/demo-input.txt " + test::programPath("game") + " " +
                          KORVA_SOURCE_DIR "/examples/game/assets " + dir + "/scores.txt 1");
}

TEST(DemoOnBothCpus, SameFramesPixelForPixel) {
  // The test runs both CPUs itself; its emulated twin would only repeat it.
  if (std::getenv("KORVA_CPU")) GTEST_SKIP() << "runs both CPUs itself, in the case without the emulated. prefix";
  std::string why = guest::nativeUnavailableReason();
  if (!why.empty()) GTEST_SKIP() << "the native CPU cannot run here: " << why;
  const std::string dir = test::tempDir() + "/demo", kept = test::tempDir() + "/demo-native";
  auto native = play(dir, "KORVA_CPU=native");
  ASSERT_EQ(native.exitCode, 0) << native.errors;
  fs::rename(dir, kept);
  auto emulated = play(dir, "KORVA_CPU=emulated KORVA_EMULATED_SLICE_US=100 KORVA_EMULATED_BUFFER_MB=1");
  ASSERT_EQ(emulated.exitCode, 0) << emulated.errors;
  for (int frame = 60; frame <= 300; frame += 60) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    std::vector<uint32_t> a = test::pngPixels(kept + name), b = test::pngPixels(dir + name);
    ASSERT_EQ(a.size(), 640u * 480u) << name;
    EXPECT_TRUE(a == b) << name << " differs between the CPUs";
  }
}

}  // namespace
}  // namespace korva
