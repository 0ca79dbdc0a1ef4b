// A Debugger that writes every callback down as text ("stmt 1 0", "error boom", ...) and
// can act on each one. Usable from tests in-process and through libkorva.so alike.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "korva/runtime.h"

namespace korva::test {

class EventDebugger : public Debugger {
 public:
  std::function<void(const std::string&)> onEvent;

  void debugRun() override { add("run"); }
  void debugStop() override { add("stop"); }
  void debugStmt(int32_t a, int32_t b) override { add("stmt " + std::to_string(a) + " " + std::to_string(b)); }
  void debugEnter(int32_t a, int32_t b, int32_t c) override {
    add("enter " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
  }
  void debugLeave() override { add("leave"); }
  void debugEnd(const char* m) override { add(std::string("end ") + m); }
  void debugError(const char* m) override { add(std::string("error ") + m); }
  void debugLog(const char* t) override { add(std::string("log ") + t); }
  virtual ~EventDebugger() = default;

  std::vector<std::string> events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // The events that start with prefix.
  std::vector<std::string> only(const std::string& prefix) {
    std::vector<std::string> out;
    for (auto& e : events())
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }

 private:
  void add(std::string e) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(e);
    }
    if (onEvent) onEvent(e);
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace korva::test
