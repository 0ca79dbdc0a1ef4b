// The one boundary where guest code calls the run-time: each registered routine has a stub
// in the guest trap area, written in the form the CPU backend needs, that leads into the
// routine's handler.
#pragma once
#include <cstdint>

#include "guest/memory.h"

namespace korva::guest {

// What a routine sees of one guest call.
struct CallFrame {
  const Word* args;  // the argument words on the guest stack, first argument first
  uint32_t result;       // integer or pointer result: EAX
  float fresult;         // float result: pushed onto the guest x87 stack on the way back
};

using TrapHandler = void (*)(CallFrame&);

// The guest address of the stub for handler; the same handler always gets the same stub.
// argCount words are read from the guest stack; floatResult puts fresult on the x87 stack.
uint32_t trapAddress(TrapHandler handler, bool floatResult, int argCount);

// Stands at the door for a whole run, on the program's thread: sees every routine call and
// decides whether the routine runs (a recorder logs, a replay answers from its log).
class CallObserver {
 public:
  virtual ~CallObserver() = default;
  // One call of the routine whose stub is at stub; run(frame) runs the routine. May throw
  // what a routine throws.
  virtual void call(uint32_t stub, TrapHandler run, CallFrame& frame) = 0;
};
// Null: routines run directly.
void setCallObserver(CallObserver* observer);

}  // namespace korva::guest
