// The arm64 build (scripts/build-arm64) beside this x86-64 one, its executables run here
// under qemu's user mode: an arm64 executable that says why the emulated CPU runs, the same
// guest program files, and the demo game playing the same frames pixel for pixel and writing
// the same high-score bytes. Only where KORVA_ARM64_BUILD_DIR names that build.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/png_pixels.h"
#include "support/process.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

std::string arm64Build() {
  const char* dir = std::getenv("KORVA_ARM64_BUILD_DIR");
  return dir ? dir : "";
}

// Runs an arm64 executable: under qemu here, as it is on an arm64 host.
std::string qemu() {
  auto found = test::runCommand("command -v qemu-aarch64-static || command -v qemu-aarch64");
  return found.exitCode == 0 ? found.output.substr(0, found.output.find('\n')) : "";
}

#define REQUIRE_ARM64_BUILD()                                                                  \
  if (arm64Build().empty()) GTEST_SKIP() << "KORVA_ARM64_BUILD_DIR is not set (tests/arm64/run)"; \
  if (qemu().empty()) GTEST_SKIP() << "qemu-user-static is not installed"

TEST(Arm64Build, ExecutablesAreArm64Elf) {
  REQUIRE_ARM64_BUILD();
  for (std::string name : {"korva", "libkorva.so"}) {
    std::string bytes = test::slurp(arm64Build() + "/" + name);
    ASSERT_GE(bytes.size(), sizeof(Elf64_Ehdr)) << name;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header.e_ident), 4), "\x7f" "ELF") << name;
    EXPECT_EQ(header.e_ident[EI_CLASS], ELFCLASS64) << name;
    EXPECT_EQ(header.e_ident[EI_DATA], ELFDATA2LSB) << name;
    EXPECT_EQ(header.e_machine, EM_AARCH64) << name;
  }
}

// Guest programs are made on the build machine: every host runs the same files.
TEST(Arm64Build, GuestProgramsAreTheSameFiles) {
  REQUIRE_ARM64_BUILD();
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(arm64Build() + "/programs")) {
    if (entry.path().extension() != ".kbm") continue;
    std::string ours = test::programPath(entry.path().stem().string());
    if (!fs::exists(ours)) continue;
    EXPECT_TRUE(test::slurp(ours) == test::slurp(entry.path().string())) << entry.path().filename();
    ++compared;
  }
  EXPECT_TRUE(fs::exists(arm64Build() + "/programs/game.kbm"));
  EXPECT_GT(compared, 0);
  std::printf("guest programs: %d images compared, byte for byte\n", compared);
}

TEST(Arm64Build, SaysWhyTheEmulatedCpuRunsAndRefusesTheNativeOne) {
  REQUIRE_ARM64_BUILD();
  const std::string korva = "env -u KORVA_CPU " + qemu() + " " + arm64Build() + "/korva";
  const std::string why = "the native CPU cannot run here: this host's processor is arm64 (aarch64)";
  const struct {
    std::string command;
    std::string text;
    int exitCode;
  } cases[] = {
      {korva + " --version", "cpu: emulated (" + why, 0},
      {korva + " --cpu native --version", "cpu: none: " + why, 0},
      {korva + " --cpu native " + test::programPath("hello"), "korva: " + why, 1},
      {korva + " " + test::programPath("hello"), "Active strings:0\n", 0},
  };
  for (const auto& c : cases) {
    test::ProcessResult r = test::runCommand(c.command);
    EXPECT_NE((r.output + r.errors).find(c.text), std::string::npos) << c.command << "\n" << r.output << r.errors;
    EXPECT_EQ(r.exitCode, c.exitCode) << c.command;
  }
}

// Plays in dir, the same path for both builds: the game shows where its scores are kept.
test::ProcessResult play(const std::string& korva, const std::string& programs, const std::string& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  return test::runCommand("timeout 300 " + korva + " --headless --frames 540 --every 60 --screenshot " + dir +
                          " --input " KORVA_SOURCE_DIR "/examples/game/demo-input.txt " + programs + "/game.kbm " +
                          KORVA_SOURCE_DIR "/examples/game/assets " + dir + "/scores.txt 1");
}

TEST(Arm64Build, DemoGamePlaysTheSameFramesAndScoresAsHere) {
  REQUIRE_ARM64_BUILD();
  const std::string dir = test::tempDir() + "/demo", kept = test::tempDir() + "/demo-x86-64";
  test::ProcessResult here = play(test::buildDir() + "/korva", test::buildDir() + "/programs", dir);
  ASSERT_EQ(here.exitCode, 0) << here.errors;
  fs::rename(dir, kept);
  test::ProcessResult arm64 = play(qemu() + " " + arm64Build() + "/korva", arm64Build() + "/programs", dir);
  ASSERT_EQ(arm64.exitCode, 0) << arm64.errors;
  int frames = 0, equal = 0;
  for (int frame = 60; frame <= 540; frame += 60, ++frames) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    std::vector<uint32_t> a = test::pngPixels(kept + name), b = test::pngPixels(dir + name);
    ASSERT_EQ(a.size(), 640u * 480u) << name;
    EXPECT_TRUE(a == b) << name << " differs between x86-64 and arm64";
    equal += a == b;
  }
  std::string scores = test::slurp(kept + "/scores.txt");
  const bool sameScores = scores == test::slurp(dir + "/scores.txt");
  EXPECT_NE(scores.find("KORVA"), std::string::npos) << "no new entry in the high-score table";
  EXPECT_TRUE(sameScores) << "the high-score files differ";
  std::printf("demo game (x86-64 build on its native CPU, arm64 build on its emulated CPU under qemu): %d of %d "
              "screenshots of 640x480 equal pixel for pixel; high-score file of %zu bytes %s\n",
              equal, frames, scores.size(), sameScores ? "equal byte for byte" : "DIFFERENT");
}

}  // namespace
}  // namespace korva
