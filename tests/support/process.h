// Running the korva executable as a child process from tests.
#pragma once
#include <cstdint>
#include <string>

namespace korva::test {

struct ProcessResult {
  int exitCode = -1;
  std::string output;  // standard output
  std::string errors;  // standard error
};

// The whole file, or empty when it cannot be read.
std::string slurp(const std::string& path);
// Runs command through /bin/sh, capturing both streams.
ProcessResult runCommand(const std::string& command);
// The build directory (from KORVA_BUILD_DIR), where korva and libkorva.so are.
std::string buildDir();
std::string programPath(const std::string& name, const std::string& ext = ".kbm");
// A fresh temporary directory, removed at exit of the test process.
std::string tempDir();

// How many times slower than real hardware this host runs (KORVA_TEST_SLOWDOWN, for a host
// that is itself emulated; 1 unless set): bounds on time that are there to catch a hang
// stretch by it.
double hostSlowdown();

// This process's peak resident memory so far, in MiB (0 when it cannot be read).
uint64_t peakMemoryMiB();

// Standard error sent to /dev/null for the object's life: decoders report every broken
// file there, thousands of lines that would bury a failure.
class QuietStderr {
 public:
  QuietStderr();
  ~QuietStderr();
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_;
};

}  // namespace korva::test
