// A real X server for end-to-end tests, and child processes started under it.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace korva::test {

// True when the tool is on the PATH.
bool haveTool(const char* name);
// The whole file, or empty when it cannot be read.
std::string slurp(const std::string& path);

// Starts argv with extra environment entries (NAME=value, overriding the inherited ones),
// standard output and error to the file output, input from /dev/null; every other
// descriptor is closed except keepFd. The child's pid, or -1.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& output,
            int keepFd = -1);
// Waits up to timeout for the child and kills it when it has not ended. True when it ended.
bool waitFor(pid_t pid, std::chrono::milliseconds timeout);

// An Xvfb server on a display number it picks itself, stopped with the object.
class Xvfb {
 public:
  Xvfb();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  // ":N", or empty when the server did not start (its log is in logFile()).
  const std::string& display() const { return display_; }
  std::string logFile() const;

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace korva::test
