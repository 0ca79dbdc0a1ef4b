#include "guest/emulated/ending.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "guest/private/backend.h"
#include "guest/emulated/unicorn_functions.h"

namespace korva::guest {

struct Entry {
  uc_engine* uc;
  std::atomic<bool> ending{false};
};

namespace {

// Never destroyed: the thread that repeats stops may outlive main.
struct Registry {
  std::mutex m;
  std::vector<std::unique_ptr<Entry>> running;
  bool repeating = false;  // the repeating thread is alive

  // Until no ending engine is left, stops the ending ones again every millisecond.
  void repeatStops() {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::lock_guard lock(m);
      bool any = false;
      for (auto& e : running)
        if (e->ending.load()) any = true, unicorn().uc_emu_stop(e->uc);
      if (!any) {
        repeating = false;
        return;
      }
    }
  }
};

Registry& registry() {
  static Registry* r = new Registry();
  return *r;
}

}  // namespace

void stopRunningEngines() {
  Registry& r = registry();
  std::lock_guard lock(r.m);
  for (auto& e : r.running) {
    e->ending = true;
    unicorn().uc_emu_stop(e->uc);
  }
  if (!r.running.empty() && !r.repeating) {
    r.repeating = true;
    std::thread([&r] { r.repeatStops(); }).detach();
  }
}

RunningEngine::RunningEngine(uc_engine* uc) {
  Registry& r = registry();
  std::lock_guard lock(r.m);
  entry_ = r.running.emplace_back(std::make_unique<Entry>()).get();
  entry_->uc = uc;
}

// Holding the lock here means no stop is inside uc_emu_stop once the engine goes.
RunningEngine::~RunningEngine() {
  Registry& r = registry();
  std::lock_guard lock(r.m);
  std::erase_if(r.running, [this](const auto& e) { return e.get() == entry_; });
}

bool RunningEngine::ending() const { return entry_->ending.load() || endRequested(); }

}  // namespace korva::guest
