#include "core/package_folder.h"

#include <unistd.h>

namespace korva {
namespace {

std::string& folder() {
  static std::string f;
  return f;
}

}  // namespace

void setPackageFolder(std::string f) { folder() = std::move(f); }

const std::string& packageFolder() { return folder(); }

std::string packagedFile(std::string_view relative) {
  if (folder().empty()) return {};
  std::string path = folder() + "/" + std::string(relative);
  return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

}  // namespace korva
