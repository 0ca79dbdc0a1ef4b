#include "link/registry.h"

#include <cctype>
#include <vector>

#include "link/modules.h"

namespace korva {
namespace {
std::span<const SymbolDef> g_extra;

bool isAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
}  // namespace

void linkSymbols(std::span<const SymbolDef> symbols, LinkSymbolFn fn) {
  for (const SymbolDef& s : symbols) fn(s.decl, s.address());
}

std::string linkName(const char* decl) {
  if (decl[0] == '_') return std::string("_") + decl;
  const char* p = decl;
  if (*p && !isAlnum(*p)) ++p;  // result sigil
  std::string name = "_f";
  for (; *p && (isAlnum(*p) || *p == '_'); ++p)
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  return name;
}

std::span<const ModuleDef> modules() {
#define KORVA_MODULE_ENTRY(m) ModuleDef{#m, &m##_create, &m##_destroy, &m##_link, &m##_symbols}
  static const ModuleDef table[] = {
      KORVA_MODULE_ENTRY(basic),  KORVA_MODULE_ENTRY(math),      KORVA_MODULE_ENTRY(string),
      KORVA_MODULE_ENTRY(filesystem), KORVA_MODULE_ENTRY(stream), KORVA_MODULE_ENTRY(bank),
      KORVA_MODULE_ENTRY(input),  KORVA_MODULE_ENTRY(audio),     KORVA_MODULE_ENTRY(multiplay),
      KORVA_MODULE_ENTRY(graphics),
  };
#undef KORVA_MODULE_ENTRY
  return table;
}

void registerAll(LinkSymbolFn fn) {
  for (const ModuleDef& m : modules()) m.link(fn);
  linkSymbols(runtimeSymbols(), fn);
  linkSymbols(g_extra, fn);
}

namespace testing {
void setExtraSymbols(std::span<const SymbolDef> symbols) { g_extra = symbols; }
}  // namespace testing

}  // namespace korva
