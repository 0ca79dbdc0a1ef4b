// A real window: Xvfb started here, the probe run against it with SDL's x11 driver.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/process.h"

extern char** environ;

namespace korva {
namespace {

std::string findProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// An Xvfb of our own on a display number it picks itself; stopped at the end.
class Xvfb {
 public:
  bool start(std::string& why) {
    std::string program = findProgram("Xvfb");
    if (program.empty()) {
      why = "Xvfb is not installed";
      return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
      why = "no pipe";
      return false;
    }
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {program.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                          "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
      pid_ = 0;
      close(fds[0]);
      why = "Xvfb could not be started";
      return false;
    }
    // Xvfb writes its display number once it accepts clients.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 15000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
      why = "Xvfb did not report a display";
      return false;
    }
    display_ = ":" + number;
    return true;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

TEST(RealWindow, XShowsWhatWasDrawnInAPlainAndAScaledWindow) {
  Xvfb server;
  std::string why;
  if (!server.start(why)) GTEST_SKIP() << why;
  // Leaks of the X libraries in the child are not this test's subject.
  auto result = test::runCommand("DISPLAY=" + server.display() +
                                 " SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER=software ASAN_OPTIONS=detect_leaks=0 " +
                                 KORVA_X_WINDOW_PROBE);
  ASSERT_NE(result.exitCode, 2) << "the probe could not run: " << result.output << result.errors;
  EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
  EXPECT_NE(result.output.find("plain window: matches"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("scaled window: matches"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace korva
