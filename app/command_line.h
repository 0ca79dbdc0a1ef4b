// The process command line: how the program name is split off, and how argv becomes text.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace korva {

struct SplitCommandLine {
  std::string program;
  std::string arguments;
};

// Leading blanks go; a quoted program name runs to the next quote (no closing quote: no
// arguments), otherwise to the first blank.
SplitCommandLine splitCommandLine(std::string_view line);

// Arguments joined with single spaces; one that holds a blank or a double quote is written
// in double quotes.
std::string joinArguments(const std::vector<std::string>& args);

// Only space characters count as blanks.
std::string trimBlanks(std::string_view text);

}  // namespace korva
