// Ends the run that the calling thread starts next from another thread, as an environment's
// asyncEnd does: after a first delay, then again every few milliseconds until finish(). An
// end asked for before a run begins is for no run, and a slow host (an emulated one) may take
// longer to start a run than any fixed delay.
#pragma once
#include <atomic>
#include <chrono>
#include <thread>

#include "app/runtime.h"

namespace korva::test {

class AsyncEnder {
 public:
  explicit AsyncEnder(std::chrono::milliseconds first = std::chrono::milliseconds(100))
      : thread_([this, first] {
          std::this_thread::sleep_for(first);
          while (!finished_.load()) {
            runtime().asyncEnd();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
        }) {}
  ~AsyncEnder() { finish(); }
  AsyncEnder(const AsyncEnder&) = delete;
  AsyncEnder& operator=(const AsyncEnder&) = delete;

  // Call once the run has returned: no request reaches a later run.
  void finish() {
    finished_.store(true);
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace korva::test
