// Records a run: routines run as ever, and what they bring in from outside is written down
// with the number of the call that brought it.
#pragma once
#include <chrono>
#include <memory>
#include <string>

#include "app/replay/log_stream.h"
#include "app/replay/private/session_base.h"

namespace korva::replay {

struct RecordTarget {
  std::string file;       // the recording
  std::string bundleDir;  // where a run-time error's bundle goes
  bool keepOnlyOnError = false;
};

class Recorder final : public SessionBase {
 public:
  Recorder(std::unique_ptr<LogWriter> writer, const Header& header, RecordTarget target, bool debug);

  bool debugFlag() const override { return debug_; }
  void call(uint32_t stub, guest::TrapHandler run, guest::CallFrame& frame) override;
  int open(const std::string& path, int flags, mode_t mode) override;
  void runtimeError(const char* message) override;
  int finish(int status) override;

 private:
  void flipFrame(const Canvas& front) override;
  // A capture sees repaints as the window shows them: its scripted input follows them.
  void repaintSeen(const Canvas& front) override {
    if (next_ && window_) next_->frameShown(*window_, front);
  }
  void logFrame(FrameKind kind, const Canvas& front);
  void logValue(const RoutineInfo& info, Policy policy, const guest::CallFrame& frame, uint32_t handles);
  void logEnd(EndKind kind, const std::string& message);
  void log(const Event& event);
  void defineRoutine(const RoutineInfo& info);
  void writeBundle();

  std::unique_ptr<LogWriter> writer_;
  Header header_;
  RecordTarget target_;
  bool debug_;
  uint64_t lastSeq_ = 0;
  std::vector<int32_t> ids_;  // routine index in the table -> id in the recording, -1 none
  uint32_t nextId_ = 0;
  bool logFiles_ = false;     // opens in this call happen again in a replay
  bool ended_ = false;
  Picture previous_, current_;
  Picture lastFrame_;         // kept for the bundle when an error ends the run
  bool lastFrameTaken_ = false;
  std::chrono::steady_clock::time_point lastFlush_;
};

}  // namespace korva::replay
