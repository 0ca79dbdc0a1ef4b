// Starting a program or opening a document for the program's ExecFile, without a shell.
#pragma once
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

struct ExecCommand {
  std::string file;
  std::string parameters;  // trimmed of blanks
};

// The file and its parameters: a leading double quote makes the file run to the next one;
// otherwise the file ends at the first blank. Nothing for an empty command or file.
std::optional<ExecCommand> parseExecCommand(std::string_view command);

// Parameters as a program's arguments: split at blanks, double quotes group (and vanish).
std::vector<std::string> splitArguments(std::string_view parameters);

// The path to run for file: file itself when it names an executable (it has a '/'), else
// the first match on PATH. Nothing when it is not a program.
std::optional<std::string> findProgram(const std::string& file);

// Runs the program with the parameters as arguments, or opens the document with the
// desktop's opener. The process id of what was started, or -1.
pid_t startFile(const ExecCommand& command);

// Children started and not yet waited for.
class Children {
 public:
  ~Children();
  void add(pid_t pid);
  // Collects those that have exited; never blocks.
  void reap();
  size_t pending() const { return pids_.size(); }

 private:
  std::vector<pid_t> pids_;
};

}  // namespace korva
