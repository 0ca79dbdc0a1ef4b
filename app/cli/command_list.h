// The registered declarations as korva --list-commands prints them.
#pragma once
#include <string>
#include <vector>

namespace korva {

struct SymbolDef;

struct ModuleDeclarations {
  std::string module;  // "basic" ... "graphics", then "system" for the run-time's own
  std::vector<const char*> declarations;  // in registration order
  std::vector<const SymbolDef*> symbols;  // the same, with their types
};

// Every declaration, grouped as registered: the ten modules, then the system module.
std::vector<ModuleDeclarations> declarationsByModule();
// One declaration per line, in registration order.
std::string commandListText();
// The command reference page (docs/commands.md), generated from the same list.
std::string commandListMarkdown();
// A C header with the prototype of every link name (include/korva/guest/commands.h), for
// programs written in C and compiled for the guest CPU.
std::string commandListC();

}  // namespace korva
