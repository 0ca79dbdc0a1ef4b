// What the replay tests share: korva run as a child on a program of tests/replay/replay.c
// or the demo game, and a look at the pictures it saves.
#pragma once
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace korva::test {

// korva with options, headless, on a program and its arguments; a hung run is killed.
inline ProcessResult korva(const std::string& options, const std::string& program, const std::string& arguments) {
  return runCommand("timeout 60 " + buildDir() + "/korva --headless " + options + " " + program + " " + arguments);
}

inline std::string readAll(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The pixels of a PNG as 0xRRGGBB; empty when it cannot be read.
inline std::vector<uint32_t> pngPixels(const std::string& path) {
  std::vector<uint32_t> out;
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return out;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) return out;
  for (int y = 0; y < argb->h; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < argb->w; ++x) out.push_back(row[x] & 0xFFFFFF);
  }
  SDL_FreeSurface(argb);
  return out;
}

// A fresh folder for the running test.
inline std::string testDir() {
  std::string dir = tempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace korva::test
