#include "app/module_list.h"

namespace korva {
namespace {

std::span<const SymbolDef> g_extra;
SymbolTable* g_collect = nullptr;

void collect(const char* decl, uint32_t address) { (*g_collect)[linkName(decl)] = address; }

}  // namespace

std::span<const ModuleDef* const> modules() {
  static const ModuleDef* const list[] = {
      &basic_module(),  &math_module(),  &string_module(),    &filesystem_module(), &stream_module(), &bank_module(),
      &input_module(),  &audio_module(), &multiplay_module(), &graphics_module(),  &system_module(),
  };
  return list;
}

void registerAll(LinkSymbolFn fn) {
  for (const ModuleDef* m : modules()) linkSymbols(m->symbols, fn);
  linkSymbols(g_extra, fn);
}

SymbolTable runtimeSymbolTable() {
  SymbolTable t;
  g_collect = &t;
  registerAll(&collect);
  g_collect = nullptr;
  return t;
}

namespace testing {
void setExtraSymbols(std::span<const SymbolDef> symbols) { g_extra = symbols; }
}  // namespace testing

}  // namespace korva
