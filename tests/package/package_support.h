// What the package tests share: the media the parts program plays, and reading what a run
// left behind.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "support/process.h"

namespace korva::test {

inline std::string readText(const std::string& path) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  if (!f) return {};
  std::string text(static_cast<size_t>(f.tellg()), '\0');
  f.seekg(0);
  f.read(text.data(), static_cast<std::streamsize>(text.size()));
  return text;
}

// folder/media with song.mid (one note), tune.mod and picture.png (the demo game's).
inline void writeMedia(const std::string& folder) {
  namespace fs = std::filesystem;
  fs::create_directories(folder + "/media");
  static const unsigned char kSong[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,  // format 0, one track
                                        'M', 'T', 'r', 'k', 0, 0, 0, 12,                   // note on, off, end
                                        0, 0x90, 60, 100, 96, 0x80, 60, 64, 0, 0xFF, 0x2F, 0};
  std::ofstream(folder + "/media/song.mid", std::ios::binary).write(reinterpret_cast<const char*>(kSong), sizeof kSong);
  const std::string assets = std::string(KORVA_SOURCE_DIR) + "/examples/game/assets/";
  fs::copy_file(assets + "tune.mod", folder + "/media/tune.mod", fs::copy_options::overwrite_existing);
  fs::copy_file(assets + "sprites.png", folder + "/media/picture.png", fs::copy_options::overwrite_existing);
}

// The file of every shared object a run started, from the loader's report (LD_DEBUG=libs).
inline std::set<std::string> initialisedLibraries(const std::string& loaderReport) {
  std::set<std::string> files;
  std::istringstream lines(loaderReport);
  for (std::string line; std::getline(lines, line);) {
    size_t at = line.find("calling init: ");
    if (at != std::string::npos) files.insert(line.substr(at + 14));
  }
  return files;
}

inline std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace korva::test
