// The one boundary where guest code calls the run-time: each registered routine has a
// stub in the guest trap page ("int 0x80; ret", or "int 0x80; fld dword [slot]; ret").
#pragma once
#include <cstdint>

#include "guest/memory.h"

namespace korva::guest {

// What a routine sees of one guest call.
struct CallFrame {
  const Word* args;  // the argument words on the guest stack, first argument first
  uint32_t result;       // integer or pointer result: EAX
  float fresult;         // float result: pushed onto the guest x87 stack by the stub
};

using TrapHandler = void (*)(CallFrame&);

// The guest address of the stub for handler; the same handler always gets the same stub.
// argCount words are read from the guest stack, floatResult chooses the stub form.
uint32_t trapAddress(TrapHandler handler, bool floatResult, int argCount);

// Stub lookup for the interrupt hook; null when addr is not a stub's trap instruction.
struct TrapEntry {
  TrapHandler handler;
  int argCount;
  bool floatResult;
};
const TrapEntry* trapAt(uint32_t addressAfterInt);

// Guest address where a returning entry lands; the emulator stops there.
uint32_t returnSentinel();
// Where a float result waits for the stub's fld.
float* floatResultSlot();

}  // namespace korva::guest
