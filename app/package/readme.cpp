// The player's README.txt.
#include <algorithm>
#include <sstream>

#include "app/package/base_system.h"
#include "app/package/elf_file.h"
#include "app/package/package_writer.h"

namespace korva::package {

std::string readmeText(const std::string& name, const std::string& assetsFolder, const PackageReport& report) {
  std::ostringstream t;
  t << name << "\n" << std::string(name.size(), '=') << "\n\n"
    << "To play, start " << name << " in this folder: double-click it, or in a terminal\n\n"
    << "    ./" << name << "\n\n"
    << "Nothing needs installing. The game starts in this folder wherever it is started from,\n"
    << "so it finds its own files" << (assetsFolder.empty() ? "" : " (in " + assetsFolder + "/)") << ".\n\n"
    << "What it needs\n-------------\n\n"
    << "Linux on a 64-bit PC (x86-64)";
  if (!report.glibc.empty()) t << "\nwith the GNU C library " << report.glibc << " or newer";
  if (!report.glibcxx.empty()) t << " and GCC's C++ library " << report.glibcxx << " or newer";
  // Said only when true: the package may have been made on a newer system.
  const bool debian12 = highestVersion({"GLIBC_" + report.glibc, "GLIBC_2.36"}, "GLIBC_") == "2.36" &&
                        highestVersion({"GLIBCXX_" + report.glibcxx, "GLIBCXX_3.4.30"}, "GLIBCXX_") == "3.4.30";
  t << (debian12 ? "\n(Debian 12 and later have both)" : "") << ".\n"
    << "Everything else is in lib/; only these come from the system:\n   ";
  size_t column = 3;
  for (std::string_view base : baseLibraries()) {
    if (base == "linux-vdso.so.1") continue;
    if (column + base.size() + 1 > 88) {
      t << "\n   ";
      column = 3;
    }
    t << " " << base;
    column += base.size() + 1;
  }
  t << "\n\nOn a desktop it opens a window and plays sound through the system's own sound server\n"
    << "and graphics drivers, which the libraries in lib/ find by themselves.\n\n"
    << "Options\n-------\n\n"
    << "These are taken only in front of the game's own arguments; the first argument that is\n"
    << "not one of them, and everything after it, belongs to the game (\"--\" ends them too):\n\n"
    << "    --headless        no window and no sound\n"
    << "    --frames N        end the game after N frames, as closing its window would\n"
    << "    --screenshot DIR  save frames as DIR/frame-000123.png\n"
    << "    --every K         with --screenshot, every K-th frame\n"
    << "    --input FILE      scripted keyboard and mouse input\n"
    << "    --help            this list\n\n"
    << "If something goes wrong\n-----------------------\n\n"
    << "- A library in lib/ that does not get on with the system (its graphics drivers, say)\n"
    << "  can be deleted: the game then uses the system's own copy of it, where there is one.\n"
    << "- SDL, which draws the window and plays the sound, can be replaced without touching\n"
    << "  lib/: SDL_DYNAMIC_API=/path/to/libSDL2-2.0.so.0 ./" << name << "\n"
    << "- A part the game cannot load (say, MIDI music) is left out with one line on the\n"
    << "  terminal naming the library; the game plays on without it.\n\n"
    << "What is here\n------------\n\n";
  const size_t width = std::max({name.size(), assetsFolder.size() + 1, size_t{9}}) + 3;
  auto entry = [&](const std::string& file, const char* what) {
    t << "    " << file << std::string(width - file.size(), ' ') << what << "\n";
  };
  entry(name, "the game");
  entry("lib/", "the libraries it needs");
  entry("share/", "its fonts, font configuration and MIDI sound font");
  entry("licences/", "the licences of the libraries and files above");
  if (!assetsFolder.empty()) entry(assetsFolder + "/", "the game's own files");
  return t.str();
}

}  // namespace korva::package
