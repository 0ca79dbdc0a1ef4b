#include "support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/process.h"

namespace korva::test {

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& output,
            int keepFd) {
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

bool waitFor(pid_t pid, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

bool awaitInFile(const std::string& path, const std::string& text, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (slurp(path).find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return slurp(path).find(text) != std::string::npos;
}

std::string Xvfb::logFile() const { return tempDir() + "/xvfb.log"; }

Xvfb::Xvfb(const std::string& screen) {
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-screen", "0", screen}, {},
               logFile(), fds[1]);
  close(fds[1]);
  pollfd p{fds[0], POLLIN, 0};
  std::string number;
  char c;
  while (poll(&p, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitFor(pid_, std::chrono::seconds(5));
}

void XvfbTest::SetUp() {
  if (!haveTool("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  if (!haveTool("xdotool")) GTEST_SKIP() << "xdotool is not installed";
  server_ = std::make_unique<Xvfb>();
  ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start: " << slurp(server_->logFile());
}

pid_t XvfbTest::startKorva(const std::vector<std::string>& arguments, const std::string& log) const {
  std::vector<std::string> argv = {buildDir() + "/korva", "--debug"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return spawn(argv, {displayEntry(), "SDL_VIDEODRIVER=x11"}, log);
}

std::string XvfbTest::xdotool(const std::string& arguments) const {
  return displayEntry() + " timeout 10 xdotool " + arguments;
}

ProcessResult XvfbTest::pressInRuntimeWindow(const std::string& keys) const {
  return runCommand("id=$(" + xdotool("search --sync --name '^Korva Runtime Window$'") + " | head -n 1) && " +
                    xdotool("windowmap --sync $id windowfocus --sync $id") + " && " + xdotool("key " + keys));
}

}  // namespace korva::test
