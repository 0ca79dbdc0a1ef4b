// The input script and the capture options, as a user writes them.
#include <gtest/gtest.h>

#include <fstream>

#include "app/capture/capture_options.h"
#include "app/capture/input_script.h"
#include "support/process.h"

namespace korva::capture {
namespace {

using A = InputAction;

TEST(InputScript, ReadsEveryKindOfLineInFrameOrder) {
  const char* text =
      "# a comment line\n"
      "\n"
      "12 key down 57   # Space\n"
      "3\tmouse move 100 -5\r\n"
      "3 mouse down 1\n"
      "0 key up 200\n"
      "12 mouse up 3\n"
      "  7 key down 42\n";
  InputScript s = parseInputScript(text, "script");
  ASSERT_EQ(s.error, "");
  std::vector<A> expected = {
      {0, A::KeyUp, 200, 0},    {3, A::MouseMove, 100, -5}, {3, A::MouseDown, 1, 0},
      {7, A::KeyDown, 42, 0},   {12, A::KeyDown, 57, 0},    {12, A::MouseUp, 3, 0},
  };
  EXPECT_EQ(s.actions, expected);
}

TEST(InputScript, BadLinesNameTheLineAndTheFault) {
  const std::pair<const char*, const char*> cases[] = {
      {"x key down 57", "the frame must be a whole number"},
      {"-1 key down 57", "the frame must be a whole number"},
      {"5 key press 57", "expected '<frame> key down|up <keycode>'"},
      {"5 key down", "expected '<frame> key down|up <keycode>'"},
      {"5 key down 256", "the key code must be from 1 to 255"},
      {"5 key down 0", "the key code must be from 1 to 255"},
      {"5 key down 12x", "the key code must be from 1 to 255"},
      {"5 key down 255", "no key has code 255"},
      {"5 mouse down 4", "the mouse button must be 1, 2 or 3"},
      {"5 mouse move 10", "expected '<frame> mouse move <x> <y>'"},
      {"5 mouse move 10 y", "the mouse position must be two whole numbers"},
      {"5 joystick down 1", "expected 'key' or 'mouse' after the frame"},
      {"5", "expected '<frame> key|mouse ...'"},
      {"99999999999999999999 key down 1", "the frame must be a whole number"},
  };
  for (const auto& [line, why] : cases) {
    InputScript s = parseInputScript(std::string("1 key down 30\n# fine\n") + line + "\n2 key up 30\n", "in.txt");
    EXPECT_EQ(s.error.rfind(std::string("in.txt:3: ") + why, 0), 0u) << line << " -> " << s.error;
    EXPECT_NE(s.error.find(line), std::string::npos) << s.error;
    EXPECT_EQ(s.error.find('\n'), std::string::npos);
    EXPECT_TRUE(s.actions.empty());
  }
}

TEST(InputScript, UnreadableFilesAreErrors) {
  EXPECT_NE(loadInputScript(test::tempDir() + "/missing.txt").error, "");
  EXPECT_NE(loadInputScript(test::tempDir()).error, "");  // a directory
  std::string path = test::tempDir() + "/script.txt";
  std::ofstream(path) << "4 mouse down 2\n";
  InputScript s = loadInputScript(path);
  EXPECT_EQ(s.error, "");
  EXPECT_EQ(s.actions, (std::vector<A>{{4, A::MouseDown, 2, 0}}));
}

TEST(CaptureOptions, ValuesAreCheckedAsTheyAreRead) {
  struct Case {
    std::vector<std::string> args;
    size_t used;
    std::string error;
  };
  const Case cases[] = {
      {{"--headless"}, 1, ""},
      {{"--frames", "30"}, 2, ""},
      {{"--frames", "0"}, 2, "--frames needs a whole number from 1 up"},
      {{"--frames", "3x"}, 2, "--frames needs a whole number from 1 up"},
      {{"--every", "-2"}, 2, "--every needs a whole number from 1 up"},
      {{"--screenshot"}, 1, "--screenshot needs a value"},
      {{"--input", ""}, 1, "--input needs a value"},
      {{"--debug"}, 0, ""},
  };
  for (const Case& c : cases) {
    CaptureOptions o;
    std::string error;
    EXPECT_EQ(parseCaptureOption(c.args, 0, o, error), c.used) << c.args[0];
    EXPECT_EQ(error, c.error) << c.args[0];
  }
  CaptureOptions o;
  std::string error;
  std::vector<std::string> args = {"--every", "5"};
  parseCaptureOption(args, 0, o, error);
  EXPECT_EQ(o.every, 5);
  EXPECT_EQ(checkCaptureOptions(o), "--every needs --screenshot");
  o.screenshotDir = "shots";
  EXPECT_EQ(checkCaptureOptions(o), "");
}

}  // namespace
}  // namespace korva::capture
