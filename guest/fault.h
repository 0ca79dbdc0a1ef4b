// Turns a processor exception raised by guest code into the run-time error it stands for.
// Backend-neutral: a backend hands over the exception vector, the faulting EIP and a way to
// read the guest's registers.
#pragma once
#include <cstdint>

namespace korva::guest {

// readReg(ctx, i) gives register i in ModRM order (eax, ecx, edx, ebx, esp, ebp, esi, edi).
using RegReader = uint32_t (*)(void* ctx, int i);

// The message for exception vector raised by the instruction at eip: divide errors by
// their divisor, privileged instructions as the protection fault they are, access faults
// as "Illegal memory address".
const char* exceptionMessage(uint32_t vector, uint32_t eip, RegReader readReg, void* ctx);

// What a privileged instruction or a system call gives.
inline constexpr const char* kPrivilegedMessage = "Unknown runtime exception";

// For a divide error at code: true when the divisor operand is 0 (otherwise the quotient
// overflowed, as INT_MIN / -1 does); code has 32 readable bytes. Undecodable code counts
// as a zero divisor.
bool divisorIsZero(const uint8_t* code, RegReader readReg, void* ctx);

// True when the instruction at code (32 readable bytes) may run only in the kernel.
bool isPrivileged(const uint8_t* code);

}  // namespace korva::guest
