// The registered declarations as korva --list-commands prints them.
#pragma once
#include <string>
#include <vector>

namespace korva {

struct ModuleDeclarations {
  std::string module;  // "basic" ... "graphics", then "runtime" for the run-time's own
  std::vector<const char*> declarations;  // in registration order
};

// Every declaration, grouped as registered: the ten modules, then the run-time's own.
std::vector<ModuleDeclarations> declarationsByModule();
// One declaration per line, in registration order.
std::string commandListText();
// The command reference page (docs/commands.md), generated from the same list.
std::string commandListMarkdown();

}  // namespace korva
