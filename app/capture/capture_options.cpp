#include "app/capture/capture_options.h"

#include <charconv>

namespace korva::capture {
namespace {

bool positive(const std::string& text, int64_t& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out > 0;
}

}  // namespace

size_t parseCaptureOption(const std::vector<std::string>& args, size_t i, CaptureOptions& options,
                          std::string& error) {
  const std::string& name = args[i];
  if (name == "--headless") {
    options.headless = true;
    return 1;
  }
  if (name != "--frames" && name != "--screenshot" && name != "--every" && name != "--input") return 0;
  if (i + 1 >= args.size() || args[i + 1].empty()) {
    error = name + " needs a value";
    return 1;
  }
  const std::string& value = args[i + 1];
  if (name == "--frames" && !positive(value, options.frames)) error = "--frames needs a whole number from 1 up";
  if (name == "--every") {
    options.everyGiven = true;
    if (!positive(value, options.every)) error = "--every needs a whole number from 1 up";
  }
  if (name == "--screenshot") options.screenshotDir = value;
  if (name == "--input") options.inputFile = value;
  return 2;
}

std::string checkCaptureOptions(const CaptureOptions& options) {
  if (options.everyGiven && options.screenshotDir.empty()) return "--every needs --screenshot";
  return {};
}

}  // namespace korva::capture
