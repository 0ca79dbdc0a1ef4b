#include "guest/emulated/slices.h"

#include <unicorn/unicorn.h>

#include <chrono>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace korva::guest {
namespace {

using Clock = std::chrono::steady_clock;

constexpr TranslationLimits kDefaults{1024u << 20, 5000};
TranslationLimits g_limits = kDefaults;

struct Running {
  uc_engine* uc;
  Clock::time_point deadline;
  bool expired;
};

// One thread for the process. It ticks on its own rather than being woken for each run:
// waking it costs every short run a thread switch. Its state is never destroyed, so it can
// outlive main.
struct Watchdog {
  std::mutex m;
  std::condition_variable limitsChanged;
  std::vector<Running> running;

  Watchdog() { std::thread([this] { loop(); }).detach(); }

  [[noreturn]] void loop() {
    std::unique_lock lock(m);
    for (;;) {
      limitsChanged.wait_for(lock, std::chrono::milliseconds(std::max(1u, g_limits.sliceMillis / 2)));
      auto now = Clock::now();
      for (Running& r : running) {
        if (now < r.deadline) continue;
        r.expired = true;
        r.deadline = Clock::time_point::max();  // until the run takes its next slice
        uc_emu_stop(r.uc);
      }
    }
  }

  Running* find(uc_engine* uc) {
    for (Running& r : running)
      if (r.uc == uc) return &r;
    return nullptr;
  }
};

Watchdog& watchdog() {
  static Watchdog* w = new Watchdog();
  return *w;
}

Clock::time_point sliceEnd() { return Clock::now() + std::chrono::milliseconds(g_limits.sliceMillis); }

}  // namespace

TranslationLimits translationLimits() { return g_limits; }

namespace testing {
void setTranslationLimits(TranslationLimits limits) {
  Watchdog& w = watchdog();
  std::lock_guard lock(w.m);
  g_limits = limits.bufferBytes ? limits : kDefaults;
  w.limitsChanged.notify_one();  // not after the tick it is sleeping through
}
}  // namespace testing

void stopAllSlices() {
  Watchdog& w = watchdog();
  std::lock_guard lock(w.m);
  for (Running& r : w.running) uc_emu_stop(r.uc);
}

Slice::Slice(uc_engine* uc) : uc_(uc) {
  Watchdog& w = watchdog();
  std::lock_guard lock(w.m);
  w.running.push_back({uc, sliceEnd(), false});
}

// Holding the lock here means the watchdog is not inside uc_emu_stop once the engine goes.
Slice::~Slice() {
  Watchdog& w = watchdog();
  std::lock_guard lock(w.m);
  std::erase_if(w.running, [this](const Running& r) { return r.uc == uc_; });
}

bool Slice::expired() {
  Watchdog& w = watchdog();
  std::lock_guard lock(w.m);
  Running* r = w.find(uc_);
  bool e = r && r->expired;
  if (r) r->expired = false;
  return e;
}

void Slice::restart() {
  Watchdog& w = watchdog();
  std::lock_guard lock(w.m);
  if (Running* r = w.find(uc_)) r->deadline = sliceEnd();
}

}  // namespace korva::guest
