// What the window and run tests share: a watchdog for polls that would hang, SDL events to
// queue, and a window with a run and a recording input sink.
#pragma once
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "support/window_fixture.h"
#include "window/runtime_window.h"

namespace korva::test {

using testing::FakeInput;
using testing::Log;
using testing::RecordingDebugger;

// Ends a poll that would otherwise hang, so a fault fails the test instead of blocking it.
class Watchdog {
 public:
  explicit Watchdog(RunContext* run) : thread_([this, run] {
      std::unique_lock lock(mutex_);
      if (!done_cv_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
        fired_ = true;
        run->endAsync();
      }
    }) {}
  ~Watchdog() { stop(); }
  bool stop() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    return fired_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  bool fired_ = false;
  std::thread thread_;
};

inline void pushKey(uint32_t type, SDL_Scancode scancode, int repeat = 0, uint16_t mod = 0) {
  SDL_Event event{};
  event.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = static_cast<uint8_t>(repeat);
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = mod;
  SDL_PushEvent(&event);
}

inline void pushMotion(int x, int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  SDL_PushEvent(&event);
}

inline void pushButton(uint32_t type, uint8_t button) {
  SDL_Event event{};
  event.type = type;
  event.button.button = button;
  SDL_PushEvent(&event);
}

inline void pushWindowEvent(RuntimeWindow* window, uint8_t what) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = what;
  event.window.windowID = window->windowId();
  SDL_PushEvent(&event);
}

class WindowTest : public testing::RecordedWindowTest {
 protected:
  // Keys and the pointer go to a recording sink instead of the input driver.
  FakeInput* openInput() {
    input = std::make_unique<FakeInput>(log);
    window->setInputSink(input.get());
    return input.get();
  }
  void TearDown() override {
    if (window) window->setInputSink(nullptr);
    RecordedWindowTest::TearDown();
  }
  // A fresh window and run, as the next execute makes them.
  void renew() {
    session.reset();
    session = std::make_unique<test::TestRun>(&debugger);
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    run = session->run.get();
  }

  Log log;
  std::unique_ptr<FakeInput> input;
};

}  // namespace korva::test
