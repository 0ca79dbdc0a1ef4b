// Compiled into every test binary: headless defaults and where the build put its outputs,
// set before any test runs (values already in the environment win).
#include <cstdlib>

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

}  // namespace
