// How an executable that carries its program starts (korva --bundle, korva --package).
//
// It takes the capture options (--headless, --frames N, --screenshot DIR, --every K,
// --input FILE) and --help only in front of the program's own arguments: the first
// argument that is none of them ends them, and it and everything after it go to the program
// untouched; "--" ends them too and is dropped. A game's arguments are its own unless they
// start with one of these.
//
// A packaged game then works in its own folder, wherever it was started from, and finds
// its font configuration and sound font there (core/package_folder.h).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "app/capture/capture_options.h"

namespace korva::package {

struct CarriedOptions {
  size_t taken = 0;   // leading arguments that were options (with their values, and "--")
  bool help = false;  // --help among them
  std::string error;  // an option without its value, or with a wrong one
};

CarriedOptions takeCarriedOptions(const std::vector<std::string>& args, capture::CaptureOptions& options);

// Takes the options off args and, for a packaged executable, enters its folder. An exit
// status when the process ends here (--help, a wrong option); nothing when the run goes on.
std::optional<int> startCarried(const std::string& self, std::vector<std::string>& args,
                                capture::CaptureOptions& options);

}  // namespace korva::package
