// Turns a processor interrupt raised by guest code into the run-time error it stands for.
#pragma once
#include <cstdint>

struct uc_struct;

namespace korva::guest {

const char* faultMessage(uc_struct* uc, uint32_t intno);

// For a divide error at code: true when the divisor operand is 0 (otherwise the quotient
// overflowed, as INT_MIN / -1 does). readReg(i) gives register i in ModRM order
// (eax, ecx, edx, ebx, esp, ebp, esi, edi). Undecodable code counts as a zero divisor.
bool divisorIsZero(const uint8_t* code, uint32_t (*readReg)(void*, int), void* ctx);

}  // namespace korva::guest
