#include "window/exec.h"

#include "core/paths.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace korva {
namespace {

std::string_view trimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

bool isExecutableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

pid_t spawn(const std::string& path, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return -1;
  // The child starts clean: no signal blocked, our handlers and ignored signals undone,
  // and a process group of its own so the terminal's Ctrl-C for us does not reach it.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, path.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  return rc == 0 ? pid : -1;
}

}  // namespace

std::optional<ExecCommand> parseExecCommand(std::string_view command) {
  if (command.empty()) return std::nullopt;
  command.remove_prefix(std::min(command.find_first_not_of(' '), command.size()));
  ExecCommand result;
  if (!command.empty() && command.front() == '"') {
    size_t close = command.find('"', 1);
    if (close == std::string_view::npos) {
      result.file = command;
    } else {
      result.file = command.substr(1, close - 1);
      result.parameters = trimBlanks(command.substr(close + 1));
    }
  } else {
    size_t blank = command.find(' ');
    result.file = command.substr(0, blank);
    if (blank != std::string_view::npos) result.parameters = trimBlanks(command.substr(blank + 1));
  }
  if (result.file.empty()) return std::nullopt;
  return result;
}

std::vector<std::string> splitArguments(std::string_view parameters) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false;
  for (char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      inArg = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArg) args.push_back(std::move(current));
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(std::move(current));
  return args;
}

std::optional<std::string> findProgram(const std::string& file) {
  if (file.find('/') != std::string::npos) {
    if (isExecutableFile(file)) return file;
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + file;
    if (isExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    dirs.remove_prefix(colon + 1);
  }
}

pid_t startFile(const ExecCommand& command) {
  std::string file = command.file;
  // Programs written for the other platform name their files with backslashes.
  file = hostPath(file);

  if (std::optional<std::string> program = findProgram(file)) {
    std::vector<std::string> args = splitArguments(command.parameters);
    args.insert(args.begin(), file);
    return spawn(*program, args);
  }
  std::optional<std::string> opener = findProgram("xdg-open");
  if (!opener) return -1;
  return spawn(*opener, {"xdg-open", file});
}

void Children::add(pid_t pid) { pids_.push_back(pid); }

void Children::reap() {
  std::erase_if(pids_, [](pid_t pid) {
    int status;
    pid_t rc = waitpid(pid, &status, WNOHANG);
    return rc == pid || (rc < 0 && errno != EINTR);
  });
}

Children::~Children() {
  reap();
  if (pids_.empty()) return;
  // Those still running are waited for out of the way, so none is left a zombie in a
  // process that lives on (a development environment).
  std::thread([pids = std::move(pids_)] {
    for (pid_t pid : pids) {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }).detach();
}

}  // namespace korva
