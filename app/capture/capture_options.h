// The command-line options of a headless capture:
//   --headless          no display and no sound device (off-screen video, dummy audio)
//   --frames N          end the program as a window close would after N frames
//   --screenshot DIR    save every K-th frame as DIR/frame-000123.png (DIR made if missing)
//   --every K           K for --screenshot (default 1: every frame)
//   --input FILE        scripted input (app/capture/input_script.h)
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korva::capture {

struct CaptureOptions {
  bool headless = false;
  int64_t frames = 0;  // 0: until the program ends
  std::string screenshotDir;
  int64_t every = 1;
  bool everyGiven = false;
  std::string inputFile;

  bool active() const { return headless || frames > 0 || !screenshotDir.empty() || !inputFile.empty(); }
};

// Reads the option at args[i] into options. Returns how many arguments it took (0: not a
// capture option); error is set when the option or its value is wrong.
size_t parseCaptureOption(const std::vector<std::string>& args, size_t i, CaptureOptions& options,
                          std::string& error);
// What is wrong with the options as a whole; empty when they fit together.
std::string checkCaptureOptions(const CaptureOptions& options);

}  // namespace korva::capture
