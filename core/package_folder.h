// A packaged game's folder: its executable, the libraries in lib/, and in share/ the font,
// font configuration and MIDI sound font that travel with it. Set once at start by a
// packaged executable, before anything looks; empty for every other run.
#pragma once
#include <string>
#include <string_view>

namespace korva {

// Where share/ keeps each file, as the packager writes them.
inline constexpr std::string_view kPackagedFontConfig = "share/fontconfig/fonts.conf";
inline constexpr std::string_view kPackagedFonts = "share/fonts";
inline constexpr std::string_view kPackagedSoundFont = "share/soundfonts/default.sf2";

void setPackageFolder(std::string folder);
const std::string& packageFolder();

// The package's file at relative, when running packaged and it is there; empty otherwise.
std::string packagedFile(std::string_view relative);

}  // namespace korva
