// The basic module: language support for compiled code (strings, user types and objects,
// arrays, DATA, arithmetic) and the RuntimeStats command.
#include "basic/arrays.h"
#include "basic/internal.h"
#include "basic/objects.h"
#include "basic/strings.h"
#include "basic/basic_module.h"
#include "link/module.h"

namespace korva {
namespace {

// The built-in type descriptors: one word each, alive for the whole process because the
// registry hands out their addresses before any run starts.
uint32_t* builtinTypes() {
  static uint32_t* words = [] {
    auto* w = static_cast<uint32_t*>(guest::alloc(4 * sizeof(uint32_t)));
    if (!w) std::abort();
    return w;
  }();
  return words;
}
void writeBuiltinTypes() {
  uint32_t* w = builtinTypes();
  for (uint32_t i = 0; i < 4; ++i) w[i] = basic::kIntType + i;
}
uint32_t intType() { return guest::addr(builtinTypes() + 0); }
uint32_t fltType() { return guest::addr(builtinTypes() + 1); }
uint32_t strType() { return guest::addr(builtinTypes() + 2); }
uint32_t cstrType() { return guest::addr(builtinTypes() + 3); }

using namespace basic;

const SymbolDef kSymbols[] = {
    KORVA_DATA("_vxIntType", intType),
    KORVA_DATA("_vxFltType", fltType),
    KORVA_DATA("_vxStrType", strType),
    KORVA_DATA("_vxCStrType", cstrType),
    KORVA_ROUTINE("_vxStrLoad", StrLoad),
    KORVA_ROUTINE("_vxStrRelease", StrRelease),
    KORVA_ROUTINE("_vxStrStore", StrStore),
    KORVA_ROUTINE("_vxStrCompare", StrCompare),
    KORVA_ROUTINE("_vxStrConcat", StrConcat),
    KORVA_ROUTINE("_vxStrToInt", StrToInt),
    KORVA_ROUTINE("_vxStrFromInt", StrFromInt),
    KORVA_ROUTINE("_vxStrToFloat", StrToFloat),
    KORVA_ROUTINE("_vxStrFromFloat", StrFromFloat),
    KORVA_ROUTINE("_vxStrConst", StrConst),
    KORVA_ROUTINE("_vxDimArray", DimArray),
    KORVA_ROUTINE("_vxUndimArray", UndimArray),
    KORVA_ENDING_ROUTINE("_vxArrayBoundsEx", ArrayBoundsEx),
    KORVA_ROUTINE("_vxVecAlloc", VecAlloc),
    KORVA_ROUTINE("_vxVecFree", VecFree),
    KORVA_ENDING_ROUTINE("_vxVecBoundsEx", VecBoundsEx),
    KORVA_ROUTINE("_vxObjNew", ObjNew),
    KORVA_ROUTINE("_vxObjDelete", ObjDelete),
    KORVA_ROUTINE("_vxObjDeleteEach", ObjDeleteEach),
    KORVA_ROUTINE("_vxObjRelease", ObjRelease),
    KORVA_ROUTINE("_vxObjStore", ObjStore),
    KORVA_ROUTINE("_vxObjCompare", ObjCompare),
    KORVA_ROUTINE("_vxObjNext", ObjNext),
    KORVA_ROUTINE("_vxObjPrev", ObjPrev),
    KORVA_ROUTINE("_vxObjFirst", ObjFirst),
    KORVA_ROUTINE("_vxObjLast", ObjLast),
    KORVA_ROUTINE("_vxObjInsBefore", ObjInsBefore),
    KORVA_ROUTINE("_vxObjInsAfter", ObjInsAfter),
    KORVA_ROUTINE("_vxObjEachFirst", ObjEachFirst),
    KORVA_ROUTINE("_vxObjEachNext", ObjEachNext),
    KORVA_ROUTINE("_vxObjToStr", ObjToStr),
    KORVA_ROUTINE("_vxObjToHandle", ObjToHandle),
    KORVA_ROUTINE("_vxObjFromHandle", ObjFromHandle),
    KORVA_ENDING_ROUTINE("_vxNullObjEx", NullObjEx),
    KORVA_ROUTINE("_vxRestore", Restore),
    KORVA_ROUTINE("_vxReadInt", ReadInt),
    KORVA_ROUTINE("_vxReadFloat", ReadFloat),
    KORVA_ROUTINE("_vxReadStr", ReadStr),
    KORVA_ROUTINE("_vxAbs", Abs),
    KORVA_ROUTINE("_vxSgn", Sgn),
    KORVA_ROUTINE("_vxMod", Mod),
    KORVA_ROUTINE("_vxFAbs", FAbs),
    KORVA_ROUTINE("_vxFSgn", FSgn),
    KORVA_ROUTINE("_vxFMod", FMod),
    KORVA_ROUTINE("_vxFPow", FPow),
    KORVA_ROUTINE("RuntimeStats", RuntimeStats),
};

// Strings first: releasing them needs the pool blocks still there.
void freeEverything() {
  stringsDestroy();
  objectsDestroy();
  freeAllBlocks();
  dataReset();
}

}  // namespace

bool basic_create() {
  freeEverything();
  writeBuiltinTypes();
  return true;
}

void basic_destroy() { freeEverything(); }

namespace {
bool startBasic(RunContext&) { return basic_create(); }
}  // namespace

KORVA_MODULE(basic, kSymbols, startBasic, basic_destroy)

}  // namespace korva
