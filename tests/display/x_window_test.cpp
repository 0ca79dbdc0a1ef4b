// A real window: Xvfb started here, the probe run against it with SDL's x11 driver.
#include <gtest/gtest.h>

#include <string>

#include "support/process.h"
#include "support/xvfb.h"

namespace korva {
namespace {

TEST(RealWindow, XShowsWhatWasDrawnInAPlainAndAScaledWindow) {
  if (!test::haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  test::Xvfb server;
  if (server.display().empty()) GTEST_SKIP() << "Xvfb did not start: " << test::slurp(server.logFile());
  // Leaks of the X libraries in the child are not this test's subject.
  auto result = test::runCommand("DISPLAY=" + server.display() +
                                 " SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER=software ASAN_OPTIONS=detect_leaks=0 " +
                                 KORVA_X_WINDOW_PROBE);
  ASSERT_NE(result.exitCode, 2) << "the probe could not run: " << result.output << result.errors;
  EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
  EXPECT_NE(result.output.find("plain window: matches"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("scaled window: matches"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace korva
