// The routines of the ten command modules, each defined in its own subsystem.
#pragma once
#include <span>

#include "link/registry.h"

#define KORVA_DECLARE_MODULE(m)                 \
  namespace korva {                             \
  bool m##_create();                            \
  void m##_destroy();                           \
  void m##_link(LinkSymbolFn fn);               \
  std::span<const SymbolDef> m##_symbols();     \
  }

KORVA_DECLARE_MODULE(basic)
KORVA_DECLARE_MODULE(math)
KORVA_DECLARE_MODULE(string)
KORVA_DECLARE_MODULE(filesystem)
KORVA_DECLARE_MODULE(stream)
KORVA_DECLARE_MODULE(bank)
KORVA_DECLARE_MODULE(input)
KORVA_DECLARE_MODULE(audio)
KORVA_DECLARE_MODULE(multiplay)
KORVA_DECLARE_MODULE(graphics)

#undef KORVA_DECLARE_MODULE

// Defines m_link and m_symbols over a table of SymbolDef named table.
#define KORVA_MODULE_SYMBOLS(m, table)                                      \
  std::span<const ::korva::SymbolDef> m##_symbols() { return table; }       \
  void m##_link(::korva::LinkSymbolFn fn) { ::korva::linkSymbols(table, fn); }
