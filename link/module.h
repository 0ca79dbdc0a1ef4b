// A module: the routines and data objects it registers, in their order, and its start and
// end for a run. Every module defines itself with one KORVA_MODULE line in its own folder;
// the module list (app/module_list.h) puts them in order.
#pragma once
#include <span>

#include "link/registry.h"

namespace korva {

class RunContext;

struct ModuleDef {
  const char* name;
  std::span<const SymbolDef> symbols;
  // Starts the module for a run; false when it cannot start. Null: nothing to start.
  bool (*create)(RunContext& run);
  // Ends it; null: nothing to end.
  void (*destroy)();
};

}  // namespace korva

// Defines m_module(), the module named m over the SymbolDef array table.
#define KORVA_MODULE(m, table, createFn, destroyFn)                          \
  const ::korva::ModuleDef& m##_module() {                                   \
    static const ::korva::ModuleDef definition{#m, table, createFn, destroyFn}; \
    return definition;                                                       \
  }
