// The display drivers and the modes each offers, as the driver and mode commands read them.
// A driver is one of the window system's displays; its modes keep the order the system
// reports, only those of 16, 24 or 32 bits. There is no 3D renderer: every 3D query is false.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korva {

struct GfxMode {
  int width = 0, height = 0;
  int depth = 0;          // bytes per pixel times 8: a 4-byte RGB888 mode is a 32-bit mode
  int refreshRate = 0;    // Hz, 0 when the system does not say
  uint32_t sdlFormat = 0;
};

struct GfxDriver {
  int display = 0;  // the window system's display index
  std::string name;
  std::vector<GfxMode> modes;
};

// The depth of a mode of that SDL pixel format, or 0 when it is none of 16, 24 and 32.
int modeDepth(uint32_t sdlFormat);
// A mode as the window system reports it.
struct ReportedMode {
  int width = 0, height = 0;
  uint32_t sdlFormat = 0;
  int refreshRate = 0;
};
// Appends the modes worth listing, in order: 16, 24 or 32 bits and a real size.
void appendModes(GfxDriver& driver, std::span<const ReportedMode> modes);

class DisplayDrivers {
 public:
  // Rebuilds the list: the primary display only, or every display. A display that lists no
  // usable mode at all (some drivers list none) offers its desktop mode instead, if that
  // one is usable.
  void rebuild(bool all);
  bool allListed() const { return allListed_; }

  int count() const { return static_cast<int>(drivers_.size()); }
  // Null when the index is out of range.
  const GfxDriver* driver(int index) const;
  const GfxMode* mode(int driver, int mode) const;

  // For tests: the list as given.
  void assign(std::vector<GfxDriver> drivers, bool allListed);

 private:
  std::vector<GfxDriver> drivers_;
  bool allListed_ = false;
};

}  // namespace korva
