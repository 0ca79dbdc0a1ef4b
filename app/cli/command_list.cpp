#include "app/cli/command_list.h"

#include "app/module_list.h"

namespace korva {
namespace {

std::string counted(size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

size_t commandCount(const std::vector<const char*>& decls) {
  size_t n = 0;
  for (const char* d : decls) n += d[0] != '_';
  return n;
}

}  // namespace

std::vector<ModuleDeclarations> declarationsByModule() {
  std::vector<ModuleDeclarations> out;
  for (const ModuleDef* m : modules()) {
    ModuleDeclarations group{m->name, {}, {}};
    for (const SymbolDef& symbol : m->symbols) {
      group.declarations.push_back(symbol.decl);
      group.symbols.push_back(&symbol);
    }
    out.push_back(std::move(group));
  }
  return out;
}

std::string commandListText() {
  std::string text;
  for (const ModuleDeclarations& m : declarationsByModule())
    for (const char* d : m.declarations) text.append(d).push_back('\n');
  return text;
}

std::string commandListMarkdown() {
  auto groups = declarationsByModule();
  size_t total = 0;
  for (const auto& g : groups) total += g.declarations.size();
  std::string md =
      "# Commands and link symbols\n"
      "\n"
      "Generated from the registry: do not edit. After adding or changing a declaration, run\n"
      "`build/korva --list-commands=markdown > docs/commands.md` (a test fails while this page\n"
      "is out of date). `build/korva --list-commands` prints the same declarations, one per\n"
      "line.\n"
      "\n"
      "A declaration is the command's name with its result and parameter types: `%` integer,\n"
      "`#` float, `$` string; a leading sigil is the result type, none means no result;\n"
      "`=value` is a default the compiler fills in. Names that start with `_` are\n"
      "language-support routines and data objects that compiled code calls by themselves. The\n"
      "link name is what compiled code (and a test program in C) calls.\n"
      "\n" +
      std::to_string(total) + " declarations in registration order.\n";
  for (const auto& g : groups) {
    const size_t commands = commandCount(g.declarations);
    md += "\n## " + g.module + " (" + counted(commands, "command") + ", " +
          counted(g.declarations.size() - commands, "link symbol") + ")\n\n";
    md += "| Declaration | Link name |\n|---|---|\n";
    for (const char* d : g.declarations) md += "| `" + std::string(d) + "` | `" + linkName(d) + "` |\n";
  }
  return md;
}

}  // namespace korva
