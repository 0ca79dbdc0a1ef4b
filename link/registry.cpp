#include "link/registry.h"

#include <cctype>
#include <vector>


namespace korva {
namespace {
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

}  // namespace korva
