#include "run/timers.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "core/handles.h"

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

TimerSet::TimerSet() = default;

TimerSet::~TimerSet() {
  for (auto& [handle, timer] : timers_) Handles::remove(handle);
}

uint32_t TimerSet::create(int32_t periodMs) {
  std::unique_ptr<Timer> timer;
  try {
    timer = std::make_unique<Timer>(periodMs);
  } catch (const std::system_error&) {
    return 0;
  }
  uint32_t handle = Handles::add(HandleKind::Timer, timer.get());
  timers_.emplace(handle, std::move(timer));
  return handle;
}

Timer* TimerSet::find(uint32_t handle) { return Handles::get<Timer>(handle, HandleKind::Timer); }

void TimerSet::free(uint32_t handle) {
  if (timers_.erase(handle)) Handles::remove(handle);
}

int32_t TimerSet::wait(Timer& timer) { return timer.wait(); }

}  // namespace korva
