// Running the korva executable as a child process from tests.
#pragma once
#include <string>

namespace korva::test {

struct ProcessResult {
  int exitCode = -1;
  std::string output;  // standard output
  std::string errors;  // standard error
};

// Runs command through /bin/sh, capturing both streams.
ProcessResult runCommand(const std::string& command);
// The build directory (from KORVA_BUILD_DIR), where korva and libkorva.so are.
std::string buildDir();
std::string programPath(const std::string& name, const std::string& ext = ".kbm");
// A fresh temporary directory, removed at exit of the test process.
std::string tempDir();

}  // namespace korva::test
