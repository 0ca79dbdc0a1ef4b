// The korva executable run as a user runs it, measured: how long it took, how it ended and
// the most memory it held at once.
#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace korva::test {

struct MeasuredRun {
  bool timedOut = false;  // killed at the limit
  int exitCode = -1;      // when it exited
  int signal = 0;         // the signal that ended it; 0 when none did
  long peakMiB = 0;       // its peak resident memory
  double seconds = 0;
  std::vector<std::string> lines;  // standard error: DebugLog lines, then any error line
  std::string output;              // standard output
};

// Runs `korva --debug PROGRAM.kbm ARGUMENT` in directory, with at most maxFiles
// descriptors when that is above 0, killing it after limit.
MeasuredRun runCommandMeasured(const std::string& program, const std::string& argument, const std::string& directory,
                               int maxFiles = 0, std::chrono::seconds limit = std::chrono::seconds(60));

}  // namespace korva::test
