#include <sys/stat.h>

#include <algorithm>

#include "render/imagefile/private/host_path.h"

namespace korva::picture {

std::string hostPath(const std::string& name) {
  struct stat st;
  if (name.find('\\') == std::string::npos || stat(name.c_str(), &st) == 0) return name;
  std::string slashed = name;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  return slashed;
}

}  // namespace korva::picture
