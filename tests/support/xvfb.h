// A real X server for end-to-end tests, and child processes started under it.
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/process.h"

namespace korva::test {

// True when the tool is on the PATH.
bool haveTool(const char* name);

// Waits until the file holds text; false when it does not within the limit.
bool awaitInFile(const std::string& path, const std::string& text,
                 std::chrono::milliseconds limit = std::chrono::seconds(10));

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
  // screen: WIDTHxHEIGHTxDEPTH of its one screen.
  explicit Xvfb(const std::string& screen = "640x480x24");
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

// A test with an X server of its own and xdotool to type on it; skipped where either tool
// is missing, failed where the server does not start.
class XvfbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // "DISPLAY=:N", for a child's environment or ahead of a shell command.
  std::string displayEntry() const { return "DISPLAY=" + server_->display(); }
  // Starts the korva executable with --debug and arguments on this server's display,
  // its output to the file log; its pid, or -1.
  pid_t startKorva(const std::vector<std::string>& arguments, const std::string& log) const;
  // A shell command running xdotool with arguments on this server.
  std::string xdotool(const std::string& arguments) const;
  // Shows the runtime window (hidden until graphics open), gives it the focus so that the
  // server sends it the keys, and presses keys (xdotool key names) there.
  ProcessResult pressInRuntimeWindow(const std::string& keys) const;

 private:
  std::unique_ptr<Xvfb> server_;
};

}  // namespace korva::test
