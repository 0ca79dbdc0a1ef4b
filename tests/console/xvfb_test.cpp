// End to end under a real X server: the korva executable runs a program that waits for a
// key and prints it, then reads a line with Input; the keys are real X key events typed
// with xdotool, and the screen is read back from the program's SaveBuffer.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "graphics/picture_support.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;
using test::slurp;

TEST(ConsoleXvfb, ATypedKeyIsPrintedAndATypedLineComesBackFromInput) {
  if (!test::haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  if (!test::haveTool("xdotool")) GTEST_SKIP() << "xdotool is not installed";
  test::Xvfb server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start: " << slurp(server.logFile());

  test::TempDir dir;
  const std::string log = dir.file("keys.log"), screen = dir.file("screen.bmp");
  const std::string display = "DISPLAY=" + server.display();
  pid_t korva = test::spawn({test::buildDir() + "/korva", "--debug", test::programPath("console_keys"), screen},
                            {display, "SDL_VIDEODRIVER=x11"}, log);
  ASSERT_GT(korva, 0);
  auto awaitLog = [&](const std::string& text) {
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (slurp(log).find(text) == std::string::npos && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return slurp(log).find(text) != std::string::npos;
  };
  ASSERT_TRUE(awaitLog("waiting\n")) << slurp(log);

  const std::string xdotool = display + " timeout 10 xdotool";
  const std::string find = xdotool + " search --sync --name '^Korva Runtime Window$'";
  test::ProcessResult typed = test::runCommand("id=$(" + find + " | head -n 1) && " + xdotool +
                                               " windowmap --sync $id windowfocus --sync $id && " + xdotool +
                                               " key a");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;
  ASSERT_TRUE(awaitLog("waiting\n97\n")) << slurp(log);
  typed = test::runCommand(xdotool + " type hix && " + xdotool + " key BackSpace Return");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;

  const bool ended = test::waitFor(korva, std::chrono::seconds(10));
  ASSERT_TRUE(ended) << "the program did not end: " << slurp(log);
  std::istringstream lines(slurp(log));
  std::string waiting, key, line, height, promptWidth, saved;
  std::getline(lines, waiting);
  std::getline(lines, key);
  std::getline(lines, line);
  std::getline(lines, height);
  std::getline(lines, promptWidth);
  std::getline(lines, saved);
  EXPECT_EQ(key, "97");
  EXPECT_EQ(line, "hi");
  ASSERT_EQ(saved, "1") << slurp(log);

  // Third line: the prompt and what was typed, caret gone; fourth: the line printed. The
  // typed text on the third is the fourth moved right by the prompt's width.
  const int h = std::stoi(height), w = std::stoi(promptWidth);
  test::Picture got = test::readBmp(screen);
  ASSERT_EQ(got.width, 400);
  int ink = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x + w < 400; ++x) {
      ASSERT_EQ(got.at(x + w, 2 * h + y), got.at(x, 3 * h + y)) << x << ", " << y;
      ink += got.at(x, 3 * h + y) != 0;
    }
  EXPECT_GT(ink, 0);
}

}  // namespace
}  // namespace korva
