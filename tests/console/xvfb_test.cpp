// End to end under a real X server: the korva executable runs a program that waits for a
// key and prints it, then reads a line with Input; the keys are real X key events typed
// with xdotool, and the screen is read back from the program's SaveBuffer.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "graphics/picture_support.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace korva {
namespace {

using test::slurp;
using ConsoleXvfb = test::XvfbTest;

TEST_F(ConsoleXvfb, ATypedKeyIsPrintedAndATypedLineComesBackFromInput) {
  test::TempDir dir;
  const std::string log = dir.file("keys.log"), screen = dir.file("screen.bmp");
  pid_t korva = startKorva({test::programPath("console_keys"), screen}, log);
  ASSERT_GT(korva, 0);
  ASSERT_TRUE(test::awaitInFile(log, "waiting\n")) << slurp(log);

  test::ProcessResult typed = pressInRuntimeWindow("a");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;
  ASSERT_TRUE(test::awaitInFile(log, "waiting\n97\n")) << slurp(log);
  typed = test::runCommand(xdotool("type hix") + " && " + xdotool("key BackSpace Return"));
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
