// Names as programs write them, turned into names this system's calls take.
#pragma once
#include <string>
#include <string_view>

#include "core/paths.h"

namespace korva::io {

using korva::hostPath;
// True when the last part of the path holds a wildcard character ('*' or '?').
bool hasWildcard(std::string_view path);
// Matches name against pattern, where '*' stands for any run of characters and '?' for one.
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace korva::io
