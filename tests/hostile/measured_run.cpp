#include "hostile/measured_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "support/process.h"

namespace korva::test {

MeasuredRun runCommandMeasured(const std::string& program, const std::string& argument, const std::string& directory,
                               int maxFiles, std::chrono::seconds limit) {
  static int serial = 0;
  const std::string korva = buildDir() + "/korva", image = programPath(program);
  const std::string out = tempDir() + "/measured" + std::to_string(++serial), err = out + ".err";
  const char* argv[] = {korva.c_str(), "--debug", image.c_str(), argument.c_str(), nullptr};
  MeasuredRun r;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    // Only what is safe between fork and exec in a threaded process.
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int null = open("/dev/null", O_RDONLY);
    if (o < 0 || e < 0 || null < 0 || chdir(directory.c_str()) != 0) _exit(126);
    dup2(null, 0), dup2(o, 1), dup2(e, 2);
    if (maxFiles > 0) {
      rlimit files{static_cast<rlim_t>(maxFiles), static_cast<rlim_t>(maxFiles)};
      setrlimit(RLIMIT_NOFILE, &files);
    }
    execv(argv[0], const_cast<char* const*>(argv));
    _exit(127);
  }
  if (pid < 0) return r;
  int status = 0;
  rusage usage{};
  for (;;) {
    pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() - start > limit * hostSlowdown() && !r.timedOut) {
      r.timedOut = true;
      kill(pid, SIGKILL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.peakMiB = usage.ru_maxrss / 1024;
  r.output = slurp(out);
  std::istringstream lines(slurp(err));
  for (std::string line; std::getline(lines, line);) r.lines.push_back(line);
  return r;
}

}  // namespace korva::test
