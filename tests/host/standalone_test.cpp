// The standalone executable as a user runs it.
#include <gtest/gtest.h>

#include <fstream>

#include "link/image_source.h"
#include "support/process.h"
#include "support/programs.h"

namespace korva {
namespace {

class Standalone : public ::testing::Test {
 protected:
  std::string korva = test::buildDir() + "/korva";
};

TEST_F(Standalone, ReportsFaultsOnStderrAndExitsZero) {
  auto r = test::runCommand(korva + " " + test::programPath("fault_div0"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "Integer divide by zero\n");

  std::string exe = test::tempDir() + "/div0";
  auto image = test::programImage("fault_div0");
  ASSERT_EQ(bundle(korva, image, exe), "");
  r = test::runCommand(exe + " some arguments");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "Integer divide by zero\n");
}

TEST_F(Standalone, NormalEndIsSilent) {
  auto r = test::runCommand(korva + " " + test::programPath("fault_none"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(r.output, "");
}

// The sanitizer build carries the suppression of the emulator's known leak itself: the
// executable ends as quietly as the normal one, with no sanitizer options given.
TEST_F(Standalone, SanitizerBuildEndsWithoutALeakReport) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "only the sanitizer build checks for leaks";
#else
  auto r = test::runCommand("env -u LSAN_OPTIONS ASAN_OPTIONS=detect_leaks=1 " + korva + " " +
                            test::programPath("fault_none"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "");
#endif
}

TEST_F(Standalone, LinkFailuresGiveTheirTextAndExitCode) {
  std::string bad = test::tempDir() + "/bad.kbm";
  std::ofstream(bad, std::ios::binary) << "\x10\x00\x00\x00short";
  auto r = test::runCommand(korva + " " + bad);
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.errors, "Unable to run Korva Basic module\n" + bad +
                          ": truncated: too short for a module image (1 bytes)\n");

  r = test::runCommand(korva + " " + test::programPath("contract"));  // test routines are not there
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors.rfind("Can't find symbol: _ftest", 0), 0u) << r.errors;

  r = test::runCommand(korva + " " + test::tempDir() + "/no-such-file");
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.errors.rfind("Unable to run Korva Basic module\n", 0), 0u) << r.errors;
}

TEST_F(Standalone, RuntimeErrorGoesToStderrAsOneLine) {
  auto r = test::runCommand(korva + " " + test::programPath("raise"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "boom\n");
}

TEST_F(Standalone, OptionsAndUsage) {
  auto r = test::runCommand(korva + " --version");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output.rfind("korva ", 0), 0u);
  r = test::runCommand(korva + " --help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("--bundle"), std::string::npos);
  r = test::runCommand(korva);
  EXPECT_EQ(r.exitCode, 2);
  r = test::runCommand(korva + " --frobnicate x");
  EXPECT_EQ(r.exitCode, 2);
}

TEST_F(Standalone, BundleOptionWritesARunnableProgram) {
  std::string out = test::tempDir() + "/raise-standalone";
  auto r = test::runCommand(korva + " --bundle " + test::programPath("raise") + " -o " + out);
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  r = test::runCommand(out + " \"quoted arg\"");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "boom\n");
}

TEST_F(Standalone, InterruptEndsTheProgramLikeClosingTheWindow) {
  // A program that never stops by itself ends quietly on SIGINT.
  auto r = test::runCommand("timeout --foreground --preserve-status -s INT 3 " + korva + " " + test::programPath("stmt_loop"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "");
}

}  // namespace
}  // namespace korva
