// A periodic tick on a thread of its own: the presentation timer that asks for a repaint
// when the front buffer has changed. The tick must be thread-safe; stop() returns only
// once no tick runs any more, so what the tick reads may be freed after it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korva {

class PresentationTimer {
 public:
  ~PresentationTimer() { stop(); }
  // False when the thread cannot be started (or one runs already).
  bool start(std::chrono::milliseconds period, std::function<void()> tick);
  void stop();
  bool running() const { return thread_.joinable(); }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace korva
