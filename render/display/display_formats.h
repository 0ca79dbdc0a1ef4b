// Choosing the pixel format and the full-screen mode of a graphics device.
#pragma once

#include <cstdint>
#include <functional>

#include "render/canvas/pixel_format.h"
#include "render/display/display_drivers.h"

namespace korva {

// The layout of canvases on a desktop of that SDL format: its masks without alpha (a
// screen has none). Formats that are not 16, 24 or 32-bit RGB get 32-bit XRGB.
PixelLayout desktopLayout(uint32_t sdlFormat);
// The layout of a full-screen device of that depth (16: 5-6-5, 24: packed, 32: XRGB).
PixelLayout layoutForDepth(int depth);
// The SDL format matching a layout, for textures.
uint32_t sdlFormatOf(const PixelLayout& layout);

// The depth a full-screen open uses. A requested depth other than 0 is used when accepted,
// else 0 (failure). With 0 (never with 3D), 16, 24 and 32 are tried in order: the first
// accepted depth that scores 4 wins at once, otherwise the accepted depth with the highest
// score above 0 (ties to the lower depth); 0 when none scores.
int chooseFullScreenDepth(int requested, bool want3D, const std::function<bool(int)>& accepts,
                          const std::function<int(int)>& score);

// What the blitter offers at a depth, counted as the full-screen depth choice counts it:
// blits, colour fills, source colour keys and surfaces wider than the screen. Our own loops
// do all four at every depth.
int blitCapabilityScore(int depth);

// The listed mode of the driver for a full-screen open of width x height at a depth: a mode
// of that size, of that depth when there is one, else the first of that size (its pixels
// are converted when shown). Null when the driver lists no mode of that size.
const GfxMode* fullScreenMode(const GfxDriver& driver, int width, int height, int depth);

}  // namespace korva
