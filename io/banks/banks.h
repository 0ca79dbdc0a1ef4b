// What the bank module's shut-down reaches of the bank commands.
#pragma once
#include <cstddef>

namespace korva::io {

// Frees every bank still live.
void freeAllBanks();
size_t liveBankCount();

}  // namespace korva::io
