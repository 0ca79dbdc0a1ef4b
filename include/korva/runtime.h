// Korva's interface for development environments.
//
// An environment loads libkorva.so, calls runtimeGetRuntime() and talks to the run-time
// through the RuntimeInterface it returns. It links its freshly compiled code itself: it
// enumerates the registered declaration texts with nextSymbol(), gets each one's guest
// address with symbolAddress(), asks for guest memory with allocGuest() (or has a whole
// module image linked with linkImage()), and runs the code with execute(), passing a
// Debugger of its own. Every address here is a 32-bit address in guest memory, the memory
// the compiled x86 code runs in; -1 means none.
//
// The compiled code runs on the processor itself where the host runs 32-bit code in a
// 64-bit process, on an emulated CPU otherwise (KORVA_CPU=native|emulated forces one). On
// the native CPU, the first link or run reserves all free address space below 4 GiB and
// installs handlers for SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS and SIGURG (the
// handlers found there still get whatever is not the compiled code's); the thread that
// calls execute() gets an alternate signal stack and a seccomp filter that traps 32-bit
// system calls made from guest memory.
//
// Both classes are tables of virtual operations in a fixed slot order; do not reorder.
// All Debugger operations are called on the thread that called execute(). asyncStop(),
// asyncRun() and asyncEnd() may be called from any thread while execute() runs.
#pragma once
#include <cstdint>

namespace korva {

class Debugger {
 public:
  virtual void debugRun() = 0;                               // resumed after a suspension
  virtual void debugStop() = 0;                              // suspended
  virtual void debugStmt(int32_t a, int32_t b) = 0;          // _vxDebugStmt
  virtual void debugEnter(int32_t a, int32_t b, int32_t c) = 0;  // _vxDebugEnter
  virtual void debugLeave() = 0;                             // _vxDebugLeave
  virtual void debugEnd(const char* message) = 0;    // "Program has ended", "Startup Error: ..."
  virtual void debugError(const char* message) = 0;  // a run-time error; no callback follows
  virtual void debugLog(const char* text) = 0;       // DebugLog

 protected:
  ~Debugger() = default;
};

class RuntimeInterface {
 public:
  // Slot 0: always 153.
  virtual int32_t version() = 0;
  // Slot 1: the next registered declaration text of this pass, or null at the end of a pass
  // (the call after the null starts a new pass). The pointer is the symbol's identity.
  virtual const char* nextSymbol() = 0;
  // Slot 2: the guest address of a text returned by nextSymbol() in the current pass,
  // looked up by pointer identity; -1 when unknown.
  virtual int32_t symbolAddress(const char* decl) = 0;
  // Slot 3: kept for compatibility; the value is stored and otherwise unused here.
  virtual void setInstance(void* instance) = 0;
  // Slot 4: ends the current enumeration pass.
  virtual void close() = 0;
  // Slot 5: runs the code at guest address entry until it ends. commandLine is what the
  // program's CommandLine returns (trimmed); debug 1 validates handles; bit 0 of
  // windowFlags makes the window top-most. Does nothing while a program runs.
  virtual void execute(uint32_t entry, const char* commandLine, Debugger* debugger, uint8_t debug,
                       int32_t windowFlags) = 0;
  // Slots 6-8: suspend, resume and end the running program from any thread.
  virtual void asyncStop() = 0;
  virtual void asyncRun() = 0;
  virtual void asyncEnd() = 0;
  // Slot 9: accepted and otherwise unused.
  virtual void setOutputBuffer(char* buffer) = 0;

  // Appended operations.
  // Guest memory for the environment's own code and data: the guest address of size
  // zeroed bytes, or 0 when guest memory is exhausted. It stays until freeGuest().
  virtual uint32_t allocGuest(uint32_t size) = 0;
  virtual void freeGuest(uint32_t address) = 0;
  // Links a module image into guest memory against the registered symbols. Returns the
  // entry (the first byte of the code block) or 0 on failure, with the failure text
  // ("Unable to run Korva Basic module", "Can't find symbol: NAME") copied, NUL-terminated
  // and cut to fit, into message when it is not null.
  virtual uint32_t linkImage(const void* image, uint32_t size, char* message, uint32_t messageSize) = 0;

 protected:
  ~RuntimeInterface() = default;
};

}  // namespace korva

extern "C" korva::RuntimeInterface* runtimeGetRuntime();
