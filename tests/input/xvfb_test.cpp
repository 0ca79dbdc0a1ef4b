// End to end under a real X server: the korva executable runs a program that waits for
// keys, and real X key events typed with xdotool reach it with the right characters.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/process.h"
#include "support/xvfb.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;
using test::slurp;

TEST(XvfbEndToEnd, TypedKeysReachWaitKey) {
  if (!test::haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  if (!test::haveTool("xdotool")) GTEST_SKIP() << "xdotool is not installed";
  test::Xvfb server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start: " << slurp(server.logFile());

  std::string log = test::tempDir() + "/waitkey.log";
  std::string display = "DISPLAY=" + server.display();
  pid_t korva = test::spawn({test::buildDir() + "/korva", "--debug", test::programPath("input_waitkey")},
                            {display, "SDL_VIDEODRIVER=x11"}, log);
  ASSERT_GT(korva, 0);

  // Waits until the program has logged text.
  auto awaitLog = [&](const std::string& text) {
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (slurp(log).find(text) == std::string::npos && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return slurp(log).find(text) != std::string::npos;
  };
  ASSERT_TRUE(awaitLog("waiting\n")) << slurp(log);

  // The runtime window is hidden until graphics open; show it and give it the focus so the
  // server sends it the keys.
  std::string xdotool = display + " timeout 10 xdotool";
  std::string find = xdotool + " search --sync --name '^Korva Runtime Window$'";
  test::ProcessResult typed = test::runCommand("id=$(" + find + " | head -n 1) && " + xdotool +
                                               " windowmap --sync $id windowfocus --sync $id && " +
                                               xdotool + " key a");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;
  // A character is made when the key is taken from the queue, with the modifiers held then:
  // the next key waits for this one, and Shift is held across a pause as a person holds it.
  EXPECT_TRUE(awaitLog("waiting\n97\n")) << slurp(log);
  typed = test::runCommand(xdotool + " keydown shift sleep 0.3 key b sleep 0.3 keyup shift");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;

  bool ended = test::waitFor(korva, std::chrono::seconds(10));
  EXPECT_TRUE(ended) << "the program did not end: " << slurp(log);
  EXPECT_EQ(slurp(log), "waiting\n97\n66\n");
}

}  // namespace
}  // namespace korva
