// The run-time's own commands (besides End, RuntimeError and the debugger hooks, which the
// host keeps), as the host registers them, and the pieces of the timers that tests reach.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace korva {

struct vxStr;

void Stop();
void AppTitle(vxStr* title);
void ExecFile(vxStr* command);
void Delay(int32_t ms);
int32_t MilliSecs();
vxStr* CommandLine();
int32_t CreateTimer(int32_t hertz);
int32_t WaitTimer(int32_t timer);
void FreeTimer(int32_t timer);
void DebugLog(vxStr* text);

// Lets the runtime window handle what is queued; ends the program quietly when it is to end.
void pollOrEnd();

// The milliseconds between two ticks at a rate (1 to 1000 per second).
int32_t timerPeriodMs(int32_t hertz);

// The counting side of a timer: tick() from the timer's thread, wait() from the program's.
// The signal is a flag, not a count: ticks missed while nobody waits are counted, not
// queued, so one wait returns them all.
class TickCounter {
 public:
  void tick();
  // Blocks until a tick has come since the last wait; returns the ticks since then.
  int32_t wait();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
  uint32_t ticks_ = 0;
  uint32_t seen_ = 0;
};

}  // namespace korva
