#include "app/package/carried_start.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "core/package_folder.h"
#include "link/image_source.h"

namespace fs = std::filesystem;

namespace korva::package {
namespace {

void printUsage(std::FILE* to, const std::string& name) {
  std::fprintf(to,
               "usage: %s [--headless] [--frames N] [--screenshot DIR [--every K]] [--input FILE] [ARGS...]\n"
               "  --headless        no window and no sound\n"
               "  --frames N        end the program, as closing its window would, after N frames\n"
               "  --screenshot DIR  save frames as DIR/frame-000123.png (DIR is made if missing)\n"
               "  --every K         with --screenshot, every K-th frame (default 1)\n"
               "  --input FILE      scripted keyboard and mouse input, frame by frame\n"
               "  --help            this text\n"
               "These are taken only in front of the program's own arguments: the first other argument\n"
               "(or --) ends them, and what follows is the program's.\n",
               name.c_str());
}

// Names the player gave from where they started; the packaged game works elsewhere.
void anchor(std::string& path) {
  std::error_code ec;
  if (!path.empty()) path = fs::absolute(path, ec).string();
}

}  // namespace

CarriedOptions takeCarriedOptions(const std::vector<std::string>& args, capture::CaptureOptions& options) {
  CarriedOptions result;
  size_t i = 0;
  while (i < args.size()) {
    if (args[i] == "--") {
      ++i;
      break;
    }
    if (args[i] == "--help") {
      result.help = true;
      ++i;
      continue;
    }
    size_t used = capture::parseCaptureOption(args, i, options, result.error);
    if (used == 0) break;
    i += used;
    if (!result.error.empty()) break;
  }
  result.taken = i;
  return result;
}

std::optional<int> startCarried(const std::string& self, std::vector<std::string>& args,
                                capture::CaptureOptions& options) {
  CarriedOptions carried = takeCarriedOptions(args, options);
  const std::string name = fs::path(self).filename().string();
  if (!carried.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), carried.error.c_str());
    printUsage(stderr, name);
    return 2;
  }
  if (carried.help) {
    printUsage(stdout, name);
    return 0;
  }
  args.erase(args.begin(), args.begin() + static_cast<long>(carried.taken));
  if (carriedKind(self) == CarriedKind::Package) {
    anchor(options.screenshotDir);
    anchor(options.inputFile);
    std::string folder = fs::path(self).parent_path().string();
    setPackageFolder(folder);
    // As a game started from a desktop does: its own files are where it is.
    if (chdir(folder.c_str()) != 0) std::perror(folder.c_str());
  }
  return std::nullopt;
}

}  // namespace korva::package
