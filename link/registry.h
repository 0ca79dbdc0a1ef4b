// The registry: every routine and data object that compiled code may name, as pairs of a
// declaration text and a guest address, module by module.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "guest/adapter.h"

namespace korva {

// (declaration text with static lifetime, guest address)
using LinkSymbolFn = void (*)(const char* decl, uint32_t address);

struct SymbolDef {
  const char* decl;
  uint32_t (*address)();       // guest address, made on first use
  std::string (*signature)();  // result sigil then parameter sigils; null for data objects
};

// A routine: the C++ function fn as the registered declaration decl.
#define KORVA_ROUTINE(decl, fn)                                           \
  ::korva::SymbolDef {                                                    \
    decl, &::korva::guest::routineAddress<&fn>,                           \
        &::korva::guest::Trampoline<&fn>::signature                       \
  }
// A data object whose guest address addressFn returns.
#define KORVA_DATA(decl, addressFn) \
  ::korva::SymbolDef { decl, addressFn, nullptr }

// Calls fn for each symbol in order.
void linkSymbols(std::span<const SymbolDef> symbols, LinkSymbolFn fn);

// The link name of a declaration text: "_vxStrLoad" -> "__vxStrLoad",
// "%ImageRectCollide%image..." -> "_fimagerectcollide".
std::string linkName(const char* decl);

// One of the ten command modules.
struct ModuleDef {
  const char* name;
  bool (*create)();
  void (*destroy)();
  void (*link)(LinkSymbolFn);
  std::span<const SymbolDef> (*symbols)();
};

// The ten modules in creation order: basic, math, string, filesystem, stream, bank, input,
// audio, multiplay, graphics.
std::span<const ModuleDef> modules();
// The run-time's own symbols (End, Stop, AppTitle, ...), registered after the modules.
std::span<const SymbolDef> runtimeSymbols();

// Registration of everything in the fixed order: the modules' link routines, then the
// run-time's own symbols.
void registerAll(LinkSymbolFn fn);

namespace testing {
// Extra symbols registered after all others, for tests that exercise the linker and the
// calling contract with routines of their own. Not reachable from a normal run.
void setExtraSymbols(std::span<const SymbolDef> symbols);
}  // namespace testing

}  // namespace korva
