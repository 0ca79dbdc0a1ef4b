#include "core/paths.h"

#include <algorithm>

namespace korva {

std::string hostPath(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace korva
