// Argument helpers shared by the graphics command files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "basic/strings.h"

namespace korva::graphics {

// A wide pixel count as a command result or coordinate.
inline int32_t clampToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace korva::graphics
