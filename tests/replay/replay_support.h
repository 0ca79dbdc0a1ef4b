// What the replay tests share: korva run as a child on a program of tests/replay/replay.c
// or the demo game, and a look at the pictures it saves.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/png_pixels.h"
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

// A fresh folder for the running test.
inline std::string testDir() {
  std::string dir = tempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace korva::test
