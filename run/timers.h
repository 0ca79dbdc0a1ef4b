// Periodic timers: one thread per timer ticks on a fixed schedule and wakes the program's
// WaitTimer. The run owns the live timers and frees them first when it ends.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace korva {

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

class Timer;

class TimerSet {
 public:
  TimerSet();
  ~TimerSet();
  // A new timer's handle; 0 when no thread can be had.
  uint32_t create(int32_t periodMs);
  // The timer behind a live handle, or null.
  static Timer* find(uint32_t handle);
  // Ignored unless handle is one of this set's timers.
  void free(uint32_t handle);
  // Ticks since the last wait, after waiting for one.
  static int32_t wait(Timer& timer);

 private:
  std::unordered_map<uint32_t, std::unique_ptr<Timer>> timers_;
};

}  // namespace korva
