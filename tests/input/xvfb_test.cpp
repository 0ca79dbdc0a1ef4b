// End to end under a real X server: the korva executable runs a program that waits for
// keys, and real X key events typed with xdotool reach it with the right characters.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Starts argv with extra environment, stdout and stderr to the given file.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& output, int keepFd = -1) {
  // Everything that allocates is done before the fork.
  std::vector<std::string> environment(env);
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    std::string name = entry.substr(0, entry.find('=') + 1);
    bool overridden = false;
    for (const std::string& x : env) overridden = overridden || x.rfind(name, 0) == 0;
    if (!overridden) environment.push_back(entry);
  }
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int in = open("/dev/null", O_RDONLY);
  if (out < 0 || in < 0) _exit(127);
  dup2(in, 0);
  dup2(out, 1);
  dup2(out, 2);
  for (int fd = 3; fd < 256; ++fd)
    if (fd != keepFd) close(fd);
  execvpe(args[0], args.data(), envp.data());
  _exit(127);
}

// Waits up to timeout for the child; kills it when it does not end. True when it ended.
bool waitFor(pid_t pid, std::chrono::milliseconds timeout) {
  auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

// An X server on a display number it picks itself.
class Xvfb {
 public:
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-screen", "0",
                  "640x480x24"},
                 {}, test::tempDir() + "/xvfb.log", fds[1]);
    close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    std::string number;
    char c;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~Xvfb() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitFor(pid_, std::chrono::seconds(5));
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

TEST(XvfbEndToEnd, TypedKeysReachWaitKey) {
  if (!haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  if (!haveTool("xdotool")) GTEST_SKIP() << "xdotool is not installed";
  Xvfb server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start: " << slurp(test::tempDir() + "/xvfb.log");

  std::string log = test::tempDir() + "/waitkey.log";
  std::string display = "DISPLAY=" + server.display();
  pid_t korva = spawn({test::buildDir() + "/korva", "--debug", test::programPath("input_waitkey")},
                      {display, "SDL_VIDEODRIVER=x11"}, log);
  ASSERT_GT(korva, 0);

  // Waits until the program has logged text.
  auto awaitLog = [&](const std::string& text) {
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (slurp(log).find(text) == std::string::npos && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return slurp(log).find(text) != std::string::npos;
  };
  ASSERT_TRUE(awaitLog("waiting\n")) << slurp(log);

  // The runtime window is hidden until graphics open; show it and give it the focus so the
  // server sends it the keys.
  std::string xdotool = display + " timeout 10 xdotool";
  std::string find = xdotool + " search --sync --name '^Korva Runtime Window$'";
  test::ProcessResult typed = test::runCommand("id=$(" + find + " | head -n 1) && " + xdotool +
                                               " windowmap --sync $id windowfocus --sync $id && " +
                                               xdotool + " key a");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;
  // A character is made when the key is taken from the queue, with the modifiers held then:
  // the next key waits for this one, and Shift is held across a pause as a person holds it.
  EXPECT_TRUE(awaitLog("waiting\n97\n")) << slurp(log);
  typed = test::runCommand(xdotool + " keydown shift sleep 0.3 key b sleep 0.3 keyup shift");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;

  bool ended = waitFor(korva, std::chrono::seconds(10));
  EXPECT_TRUE(ended) << "the program did not end: " << slurp(log);
  EXPECT_EQ(slurp(log), "waiting\n97\n66\n");
}

}  // namespace
}  // namespace korva
