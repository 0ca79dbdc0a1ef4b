// Runs one linked program: modules created in order, the entry called, modules destroyed.
#pragma once
#include <cstdint>

namespace korva {

// Returns null for a normal or quiet end, else the message that ended the program.
const char* runProgram(uint32_t entry);

}  // namespace korva
