#include "render/display/display_drivers.h"

#include <SDL2/SDL.h>

namespace korva {

int modeDepth(uint32_t sdlFormat) {
  if (sdlFormat == SDL_PIXELFORMAT_UNKNOWN || SDL_ISPIXELFORMAT_INDEXED(sdlFormat) ||
      SDL_ISPIXELFORMAT_FOURCC(sdlFormat))
    return 0;
  int depth = SDL_BYTESPERPIXEL(sdlFormat) * 8;
  return depth == 16 || depth == 24 || depth == 32 ? depth : 0;
}

void appendModes(GfxDriver& driver, std::span<const ReportedMode> modes) {
  for (const ReportedMode& m : modes) {
    int depth = modeDepth(m.sdlFormat);
    if (depth == 0 || m.width <= 0 || m.height <= 0) continue;
    driver.modes.push_back(GfxMode{m.width, m.height, depth, m.refreshRate, m.sdlFormat});
  }
}

void DisplayDrivers::rebuild(bool all) {
  drivers_.clear();
  int displays = SDL_GetNumVideoDisplays();
  if (!all && displays > 1) displays = 1;
  for (int d = 0; d < displays; ++d) {
    GfxDriver driver;
    driver.display = d;
    const char* name = SDL_GetDisplayName(d);
    driver.name = name && *name ? name : "Display " + std::to_string(d + 1);
    std::vector<ReportedMode> modes;
    int n = SDL_GetNumDisplayModes(d);
    for (int i = 0; i < n; ++i) {
      SDL_DisplayMode m{};
      if (SDL_GetDisplayMode(d, i, &m) == 0) modes.push_back(ReportedMode{m.w, m.h, m.format, m.refresh_rate});
    }
    appendModes(driver, modes);
    bool anySized = false;
    for (const ReportedMode& m : modes) anySized |= m.width > 0 && m.height > 0;
    SDL_DisplayMode desktop{};
    if (!anySized && SDL_GetDesktopDisplayMode(d, &desktop) == 0) {
      ReportedMode m{desktop.w, desktop.h, desktop.format, desktop.refresh_rate};
      appendModes(driver, {&m, 1});
    }
    drivers_.push_back(std::move(driver));
  }
  allListed_ = all;
}

const GfxDriver* DisplayDrivers::driver(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return &drivers_[static_cast<size_t>(index)];
}

const GfxMode* DisplayDrivers::mode(int driverIndex, int modeIndex) const {
  const GfxDriver* d = driver(driverIndex);
  if (!d || modeIndex < 0 || modeIndex >= static_cast<int>(d->modes.size())) return nullptr;
  return &d->modes[static_cast<size_t>(modeIndex)];
}

void DisplayDrivers::assign(std::vector<GfxDriver> drivers, bool allListed) {
  drivers_ = std::move(drivers);
  allListed_ = allListed;
}

}  // namespace korva
