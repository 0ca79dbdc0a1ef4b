// Compiled into every test binary: headless defaults and where the build put its outputs,
// set before any test runs (values already in the environment win).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "guest/backend.h"

namespace {

struct TestEnvironment {
  TestEnvironment() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("KORVA_NO_MESSAGEBOX", "1", 0);
    setenv("KORVA_BUILD_DIR", KORVA_TEST_BUILD_DIR, 0);
    setenv("KORVA_PROGRAMS_DIR", KORVA_TEST_BUILD_DIR "/programs", 0);
  }
} environment;

// KORVA_TEST_CPU=native: the cases are there to run guest code natively; where the host
// cannot, they are skipped, not run again on the emulated CPU (their emulated.* twins do that).
class NativeCpuRequired : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* wanted = std::getenv("KORVA_TEST_CPU");
    if (!wanted || std::string(wanted) != "native" || std::getenv("KORVA_CPU")) return;
    std::string why = korva::guest::nativeUnavailableReason();
    if (why.empty()) return;
    // GoogleTest reports the cases of a skipped environment as passed; ctest counts a case
    // skipped by this line.
    std::printf("[  SKIPPED ] every case: the native CPU cannot run here: %s\n", why.c_str());
    GTEST_SKIP() << "the native CPU cannot run here: " << why;
  }
};
[[maybe_unused]] ::testing::Environment* const nativeCpuRequired =
    ::testing::AddGlobalTestEnvironment(new NativeCpuRequired);

}  // namespace
