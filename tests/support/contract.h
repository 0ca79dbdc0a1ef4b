// Routines of the contract test program (tests/guest/contract.c), registered through the
// test seam: they record what guest code hands them.
#pragma once
#include <span>
#include <vector>

#include "link/registry.h"

namespace korva::test {

std::span<const SymbolDef> contractSymbols();
std::vector<double>& contractRecord();
// What the program does after its calls: 0 return, 1 RuntimeError-style raise, 2 throw
// std::bad_alloc, 3 throw something else, 4 End.
void setContractMode(int mode);
// What a full normal run records.
std::vector<double> expectedContractRecord();

}  // namespace korva::test
