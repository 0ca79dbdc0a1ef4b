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
  bool neverReturns = false;   // ends the program or raises an error every time
};

// A routine: the C++ function fn as the registered declaration decl.
#define KORVA_ROUTINE(decl, fn)                                           \
  ::korva::SymbolDef {                                                    \
    decl, &::korva::guest::routineAddress<&fn>,                           \
        &::korva::guest::Trampoline<&fn>::signature                       \
  }
// A routine that never returns to its caller (End, the bounds errors...).
#define KORVA_ENDING_ROUTINE(decl, fn)                                   \
  ::korva::SymbolDef {                                                    \
    decl, &::korva::guest::routineAddress<&fn>,                           \
        &::korva::guest::Trampoline<&fn>::signature, true                 \
  }
// A data object whose guest address addressFn returns.
#define KORVA_DATA(decl, addressFn) \
  ::korva::SymbolDef { decl, addressFn, nullptr }

// Calls fn for each symbol in order.
void linkSymbols(std::span<const SymbolDef> symbols, LinkSymbolFn fn);

// The link name of a declaration text: "_vxStrLoad" -> "__vxStrLoad",
// "%ImageRectCollide%image..." -> "_fimagerectcollide".
std::string linkName(const char* decl);

}  // namespace korva
