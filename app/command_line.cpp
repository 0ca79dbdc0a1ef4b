#include "app/command_line.h"

namespace korva {

SplitCommandLine splitCommandLine(std::string_view line) {
  size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  line.remove_prefix(start);
  SplitCommandLine out;
  if (line.front() == '"') {
    size_t close = line.find('"', 1);
    if (close == std::string_view::npos) {
      out.program = std::string(line.substr(1));
      return out;
    }
    out.program = std::string(line.substr(1, close - 1));
    out.arguments = std::string(line.substr(close + 1));
    return out;
  }
  size_t blank = line.find(' ');
  if (blank == std::string_view::npos) {
    out.program = std::string(line);
    return out;
  }
  out.program = std::string(line.substr(0, blank));
  out.arguments = std::string(line.substr(blank + 1));
  return out;
}

std::string joinArguments(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) {
    if (!out.empty()) out += ' ';
    if (a.find_first_of(" \"") != std::string::npos)
      out += '"' + a + '"';
    else
      out += a;
  }
  return out;
}

std::string trimBlanks(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = text.find_last_not_of(' ');
  return std::string(text.substr(b, e - b + 1));
}

}  // namespace korva
