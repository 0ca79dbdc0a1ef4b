// Replays a recording: deterministic routines run, outside ones are answered from the
// recording, files read are checked or served from it, and the run stops with a message
// naming the frame and the call where the program leaves what was recorded.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/replay/log_stream.h"
#include "app/replay/private/session_base.h"

namespace korva::replay {

class Replayer final : public SessionBase {
 public:
  // verifyDir: where --verify puts the pictures of a frame that differs.
  Replayer(std::unique_ptr<LogReader> reader, std::string recordingFile, bool verify, std::string verifyDir);

  bool debugFlag() const override { return (reader_->header().flags & kDebugRun) != 0; }
  void call(uint32_t stub, guest::TrapHandler run, guest::CallFrame& frame) override;
  int open(const std::string& path, int flags, mode_t mode) override;
  bool hideError() const override { return stopped_; }
  int finish(int status) override;

 private:
  void flipFrame(const Canvas& front) override;

  // The next event that is not a routine's definition; null when the recording has no more.
  const Event* peek();
  Event take();
  bool nextIs(Tag tag, uint64_t seq) {
    const Event* e = peek();
    return e && e->tag == tag && e->seq == seq;
  }
  // The run leaves the recording: remembered with where it happened, and the program
  // ends at the end of this call (stopNow: at once).
  void diverge(const std::string& why);
  [[noreturn]] void stopNow(const std::string& why);

  void runRoutine(const RoutineInfo* info, Policy policy, guest::TrapHandler run, guest::CallFrame& frame);
  void answer(const RoutineInfo& info, Policy policy, guest::CallFrame& frame);
  void check(const RoutineInfo& info, const guest::CallFrame& frame);
  void afterCall();
  void endAsRecorded();
  void checkFrame(const Event& recorded, const Canvas& front);
  void releaseStrings(const RoutineInfo& info, const guest::CallFrame& frame);
  std::string describe(const Event& e) const;
  std::string routineName(uint32_t id) const;

  std::unique_ptr<LogReader> reader_;
  std::string recordingFile_;
  bool verify_;
  std::string verifyDir_;
  Event next_;
  bool haveNext_ = false;
  bool atEnd_ = false;
  std::string damage_;
  uint64_t lastSeq_ = 0;
  std::vector<std::string> declarations_;       // by id in the recording
  std::vector<const RoutineInfo*> byId_;         // the same routine in this run-time, or null
  int64_t decodedFrames_ = 0;                    // frames of the recording decoded so far
  int64_t nextFrameNumber_ = 0;                  // the number of the frame in next_
  Picture recordedPicture_;                      // the picture of the last frame decoded
  bool stopped_ = false;
  std::string stopReason_;
  bool endedAsRecorded_ = false;
  bool userEnded_ = false;
  std::string raisedError_;  // a recorded error raised again: its text lives as long as the run
};

}  // namespace korva::replay
