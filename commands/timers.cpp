// Periodic timers: one thread per timer ticks on a fixed schedule and wakes the program's
// WaitTimer. The window owns the set of live timers and frees it at the end of a run.
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "commands/system.h"
#include "core/errors.h"
#include "core/handles.h"
#include "window/runtime_window.h"

namespace korva {

void TickCounter::tick() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++ticks_;
    signalled_ = true;
  }
  cv_.notify_one();
}

int32_t TickCounter::wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return signalled_; });
  signalled_ = false;
  int32_t missed = static_cast<int32_t>(ticks_ - seen_);
  seen_ = ticks_;
  return missed;
}

int32_t timerPeriodMs(int32_t hertz) { return 1000 / hertz; }

namespace {

class Timer {
 public:
  explicit Timer(int32_t periodMs) : thread_([this, periodMs] { run(periodMs); }) {}
  ~Timer() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    stop_.notify_one();
    thread_.join();
  }
  int32_t wait() { return counter_.wait(); }

 private:
  // Deadlines are absolute, so the rate does not drift with the time each tick takes.
  void run(int32_t periodMs) {
    auto next = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      next += std::chrono::milliseconds(periodMs);
      if (stop_.wait_until(lock, next, [this] { return stopping_; })) return;
      counter_.tick();
    }
  }

  TickCounter counter_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread thread_;  // last: started once everything it uses exists
};

class LiveTimers : public TimerSet {
 public:
  ~LiveTimers() override {
    for (auto& [handle, timer] : timers_) Handles::remove(handle);
  }
  uint32_t add(std::unique_ptr<Timer> timer) {
    uint32_t handle = Handles::add(HandleKind::Timer, timer.get());
    timers_.emplace(handle, std::move(timer));
    return handle;
  }
  void free(uint32_t handle) {
    if (timers_.erase(handle)) Handles::remove(handle);
  }

 private:
  std::unordered_map<uint32_t, std::unique_ptr<Timer>> timers_;
};

LiveTimers* liveTimers(RuntimeWindow* w, bool open) {
  if (!w) return nullptr;
  if (auto* set = dynamic_cast<LiveTimers*>(w->timers())) return set;
  return open ? static_cast<LiveTimers*>(w->openTimers(std::make_unique<LiveTimers>())) : nullptr;
}

}  // namespace

int32_t CreateTimer(int32_t hertz) {
  if (hertz == 0) raiseRuntimeError("Integer divide by zero");
  // Faster than 1000 Hz would be a period of 0 ms, and a timer that never ticks would
  // leave WaitTimer waiting for ever.
  if (hertz < 0 || hertz > 1000) raiseRuntimeError("Timer frequency out of range");
  LiveTimers* set = liveTimers(RuntimeWindow::instance(), true);
  if (!set) return 0;
  std::unique_ptr<Timer> timer;
  try {
    timer = std::make_unique<Timer>(timerPeriodMs(hertz));
  } catch (const std::system_error&) {
    return 0;  // no thread to be had: the soft failure of a create command
  }
  return static_cast<int32_t>(set->add(std::move(timer)));
}

int32_t WaitTimer(int32_t timer) {
  auto* t = Handles::get<Timer>(static_cast<uint32_t>(timer), HandleKind::Timer);
  if (!t) {
    if (debugFlag()) raiseRuntimeError("Timer does not exist");
    return 0;
  }
  int32_t ticks = t->wait();
  pollOrEnd();
  return ticks;
}

void FreeTimer(int32_t timer) {
  if (LiveTimers* set = liveTimers(RuntimeWindow::instance(), false))
    set->free(static_cast<uint32_t>(timer));
}

}  // namespace korva
