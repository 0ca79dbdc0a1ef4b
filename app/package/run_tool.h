// Runs one of the system's tools (strip, tar, dpkg-query) for the packager, without a shell.
#pragma once
#include <string>
#include <vector>

namespace korva::package {

struct ToolResult {
  bool started = false;  // false: the tool is not installed (or could not be started)
  int exitCode = -1;
  std::string output;  // its standard output; its standard error is dropped
};

ToolResult runTool(const std::vector<std::string>& argv);

}  // namespace korva::package
