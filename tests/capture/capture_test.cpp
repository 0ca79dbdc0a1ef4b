// korva --headless ... as a game's CI runs it: frames, screenshots, scripted input and the
// exit status, through the real executable.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/capture/capture_run.h"
#include "app/capture/frame_capture.h"
#include "support/image_builder.h"
#include "support/process.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The colour at (x, y) of a PNG as 0xRRGGBB, or -1 when it cannot be read.
int64_t pngPixel(const std::string& path, int x, int y, int* width = nullptr, int* height = nullptr) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return -1;
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
  SDL_FreeSurface(loaded);
  if (!rgb) return -1;
  if (width) *width = rgb->w;
  if (height) *height = rgb->h;
  const uint8_t* p = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch + x * 3;
  int64_t colour = (p[0] << 16) | (p[1] << 8) | p[2];
  SDL_FreeSurface(rgb);
  return colour;
}

class Capture : public ::testing::Test {
 protected:
  test::ProcessResult korva(const std::string& options, const std::string& programArgs,
                            const std::string& program = test::programPath("capture")) {
    return test::runCommand(test::buildDir() + "/korva " + options + " " + program + " " + programArgs);
  }
  std::string freshDir(const std::string& name) {
    std::string dir = test::tempDir() + "/" + name;
    fs::remove_all(dir);
    return dir;
  }
  std::string script(const std::string& name, const std::string& text) {
    std::string path = test::tempDir() + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
};

TEST_F(Capture, ScriptedInputReachesTheProgramAtItsFrame) {
  std::string input = script("input.txt",
                             "# Space tapped at frame 5, Shift held from 7 to 10\n"
                             "5 key down 57\n"
                             "6 key up 57\n"
                             "7 key down 42\n"
                             "10 key up 42\n"
                             "8 mouse move 100 50\n"
                             "9 mouse down 1\n"
                             "9 mouse up 1\n"
                             "11 mouse down 2\n");
  auto r = korva("--headless --debug --frames 12 --input " + input, "k");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_EQ(lines(r.errors), (std::vector<std::string>{
                                 "key 5",
                                 "shift 7",
                                 "click 9 100 50",
                                 "shift up 10",
                                 "right 11",
                                 "korva: 12 frames presented, no screenshots taken; ended after 12 frames",
                             }));
}

TEST_F(Capture, ScreenshotsOfEveryKthFrameUntilTheLimitOrTheEnd) {
  struct Case {
    std::string options, args;
    std::vector<std::string> files;
    std::string ending;
  };
  const Case cases[] = {
      {"--frames 3", "d 50", {"frame-000001.png", "frame-000002.png", "frame-000003.png"},
       "3 frames presented, 3 screenshots written to DIR; ended after 3 frames"},
      {"--frames 100 --every 2", "d 5", {"frame-000002.png", "frame-000004.png"},
       "5 frames presented, 2 screenshots written to DIR; the program ended by itself"},
      // Waiting before the first Flip: the picture shown when graphics opened is no frame.
      {"--frames 100", "w 2", {"frame-000001.png", "frame-000002.png"},
       "2 frames presented, 2 screenshots written to DIR; the program ended by itself"},
  };
  for (const Case& c : cases) {
    std::string dir = freshDir("shots") + "/made/on/demand";
    auto r = korva("--headless " + c.options + " --screenshot " + dir, c.args);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    std::string ending = c.ending;
    ending.replace(ending.find("DIR"), 3, dir);
    EXPECT_EQ(r.errors, "korva: " + ending + "\n");
    ASSERT_TRUE(fs::is_directory(dir)) << c.options;
    EXPECT_EQ(filesIn(dir), c.files);
    for (const std::string& f : c.files) {
      // Frame n is filled with red n * 40, green 200, blue 255 - n * 40.
      int n = std::stoi(f.substr(6, 6)), w = 0, h = 0;
      int64_t expected = ((n * 40) & 255) << 16 | 200 << 8 | ((255 - n * 40) & 255);
      EXPECT_EQ(pngPixel(dir + "/" + f, 0, 0, &w, &h), expected) << f;
      EXPECT_EQ(pngPixel(dir + "/" + f, 399, 299), expected) << f;
      EXPECT_EQ(w, 400);
      EXPECT_EQ(h, 300);
    }
  }
}

TEST_F(Capture, FailuresGiveANonZeroStatus) {
  auto r = korva("--headless --frames 10", "e 2");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errors, "boom\nkorva: 2 frames presented, no screenshots taken; a run-time error ended the program\n");

  // A symbol the run-time lacks: the standalone ends with 0, a capture must not.
  test::ImageBuilder image;
  image.code = {0xE8, 0xFC, 0xFF, 0xFF, 0xFF, 0xC3};
  image.relative = {{"_fnosuchcommand", 1}};
  std::string path = test::tempDir() + "/missing.kbm";
  auto bytes = image.bytes();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  r = korva("--headless --frames 10", "", path);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errors, "Can't find symbol: _fnosuchcommand\n");
}

TEST_F(Capture, WrongOptionsOrScriptsStopBeforeTheProgramStarts) {
  std::string shots = freshDir("never");
  std::string bad = script("bad.txt", "1 key down 57\n2 key down space\n");
  std::string aFile = script("a-file", "");
  const std::pair<std::string, std::string> cases[] = {
      {"--headless --frames 0", "korva: --frames needs a whole number from 1 up"},
      {"--headless --every 2", "korva: --every needs --screenshot"},
      {"--headless --every 0 --screenshot " + shots, "korva: --every needs a whole number from 1 up"},
      {"--headless --screenshot " + aFile + "/sub", "korva: cannot make the screenshot folder " + aFile + "/sub"},
      {"--headless --screenshot " + shots + " --input " + bad,
       "korva: " + bad + ":2: the key code must be from 1 to 255: 2 key down space"},
  };
  for (const auto& [options, message] : cases) {
    auto r = korva(options, "d 3");
    EXPECT_EQ(r.exitCode, 2) << options;
    EXPECT_EQ(r.errors.rfind(message, 0), 0u) << r.errors;
    EXPECT_EQ(r.errors.find("frames presented"), std::string::npos) << r.errors;
  }
  EXPECT_FALSE(fs::exists(shots + "/frame-000001.png"));
}

TEST_F(Capture, RepaintsOfAFrontBufferCountAsFrames) {
  // The program draws on the front buffer and never flips; the presentation timer shows it.
  std::string dir = freshDir("front");
  auto r = korva("--headless --frames 3 --screenshot " + dir, "f");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_EQ(r.errors, "korva: 3 frames presented, 3 screenshots written to " + dir + "; ended after 3 frames\n");
  // The red squares drawn so far show on the last one.
  EXPECT_EQ(pngPixel(dir + "/frame-000003.png", 2, 12) >> 16, 255);
}

TEST(CapturePrepare, HeadlessChoosesOffscreenDriversWhateverTheEnvironmentSays) {
  setenv("SDL_VIDEODRIVER", "x11", 1);
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  capture::CaptureOptions options;
  options.headless = true;
  EXPECT_EQ(capture::CaptureRun(options).prepare(), "");
  EXPECT_STREQ(std::getenv("SDL_VIDEODRIVER"), "offscreen");
  EXPECT_STREQ(std::getenv("SDL_AUDIODRIVER"), "dummy");
  EXPECT_STREQ(std::getenv("SDL_RENDER_DRIVER"), "software");
}

TEST(CaptureFiles, NamesCountFromOneWithSixDigits) {
  EXPECT_EQ(capture::FrameCapture::fileName(1), "frame-000001.png");
  EXPECT_EQ(capture::FrameCapture::fileName(123456), "frame-123456.png");
  EXPECT_EQ(capture::FrameCapture::fileName(1234567), "frame-1234567.png");
}

}  // namespace
}  // namespace korva
