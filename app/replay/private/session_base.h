// What recording and replaying share: the routine table, the count of calls and frames,
// the call in progress, which frames count and where they go on to, and the debugger that
// hears of the run's end.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>

#include "app/replay/log_format.h"
#include "app/replay/pictures.h"
#include "app/replay/routines.h"
#include "app/replay/session.h"

namespace korva {
class Canvas;
}

namespace korva::replay {

class SessionBase : public Session {
 public:
  SessionBase();
  ~SessionBase() override;
  void relayTo(FrameObserver* next) override { next_ = next; }
  Debugger& debugger(Debugger& inner) override;
  void install() override;
  void uninstall() override;

  void windowCreated(RuntimeWindow& window) override;
  // The first frame a Flip shows is its own; any other comes from a repaint, which counts
  // once, at the end of its call, where record and replay see the same picture.
  void frameShown(RuntimeWindow& window, const Canvas& front) override;

  // From the debugger: the run-time error that ends the run (the first only).
  virtual void runtimeError(const char* message);
  // From the debugger: how the run ended ("Program has ended": the program returned).
  void programEnd(const char* message) { returned_ = message && std::string(message) == "Program has ended"; }
  // True when the debugger should not hear of this error (a replay's own stop).
  virtual bool hideError() const { return false; }

 protected:
  // A Flip's frame, while its call is running.
  virtual void flipFrame(const Canvas& front) = 0;
  // A repaint the window has just shown, while a call is running.
  virtual void repaintSeen(const Canvas&) {}

  // The policy the call runs under: a stream call on an outside handle is outside.
  Policy effectivePolicy(const RoutineInfo& info, const guest::CallFrame& frame) const;
  // "frame 12, call 3456 (KeyHit)": where the run is.
  std::string where() const;
  // The program's front buffer, or null without graphics.
  const Canvas* frontBuffer() const;
  // Counts a frame, and hands it on when handOn.
  void showFrame(const Canvas& front, bool handOn = true);
  bool onProgramThread() const { return std::this_thread::get_id() == thread_; }
  // The call in progress starts and ends.
  void beginCall(const RoutineInfo* info);
  void endCall() { inCall_ = false; }
  static Form formOf(char sigil);

  RoutineTable routines_;
  uint64_t seq_ = 0;     // calls so far; the one in progress is seq_
  int64_t frames_ = 0;   // frames shown so far
  const RoutineInfo* routine_ = nullptr;
  bool inCall_ = false;
  bool flipShown_ = false;
  bool repaintShown_ = false;
  RuntimeWindow* window_ = nullptr;
  FrameObserver* next_ = nullptr;
  std::unordered_set<uint32_t> outsideHandles_;
  std::string error_;  // the run-time error that ended the run
  bool errorSeen_ = false;
  bool returned_ = false;  // the program's main returned

 private:
  class Wrapper;
  std::thread::id thread_;
  std::unique_ptr<Wrapper> wrapper_;
};

}  // namespace korva::replay
