#include "window/presentation_timer.h"

#include <system_error>

namespace korva {

bool PresentationTimer::start(std::chrono::milliseconds period, std::function<void()> tick) {
  if (thread_.joinable()) return false;
  stopping_ = false;
  try {
    thread_ = std::thread([this, period, tick = std::move(tick)] {
      std::unique_lock lock(mutex_);
      while (!wake_.wait_for(lock, period, [this] { return stopping_; })) {
        lock.unlock();
        tick();
        lock.lock();
      }
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void PresentationTimer::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

}  // namespace korva
