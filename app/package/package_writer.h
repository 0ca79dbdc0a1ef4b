// A packaged game: a folder a player runs as it is, on a system with nothing installed
// beyond its base.
//
//   NAME                  korva with the program carried at its end; its search path for
//                         libraries is its own lib/ folder
//   README.txt            for the player
//   lib/                  every library it needs beyond the base system (base_system.h),
//                         the optional ones too
//   share/fonts/          the default font
//   share/fontconfig/     a font configuration that names only the package's fonts
//   share/soundfonts/     the General MIDI sound font MIDI music plays with
//   licences/             the licences of what it carries
//   ASSETS/               the game's own files, when the author names a folder
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korva::package {

struct PackagePlan {
  std::string korva;             // the executable to copy (this one)
  std::span<const uint8_t> image;
  std::string name;              // the game's, and its executable's
  std::string assets;            // a folder to copy in; empty: none
};

struct PackageReport {
  uint64_t bytes = 0;
  size_t files = 0;
  std::string glibc, glibcxx;      // the newest versions any file needs ("2.36", "3.4.30")
  std::vector<std::string> notes;  // what the author should know (what was left out)
};

// Writes the package into folder, which must be empty or not exist yet. An error text, empty
// on success.
std::string writePackage(const PackagePlan& plan, const std::string& folder, PackageReport& report);

// The text of README.txt.
std::string readmeText(const std::string& name, const std::string& assetsFolder, const PackageReport& report);

}  // namespace korva::package
