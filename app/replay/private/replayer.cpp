#include "app/replay/private/replayer.h"

#include <bit>
#include <cerrno>

#include "app/debuggers.h"
#include "app/replay/private/file_content.h"
#include "basic/strings.h"
#include "core/errors.h"
#include "core/handles.h"
#include "graphics/console/console_commands.h"
#include "io/banks/bank.h"

namespace korva::replay {

Replayer::Replayer(std::unique_ptr<LogReader> reader, std::string recordingFile, bool verify, std::string verifyDir)
    : reader_(std::move(reader)), recordingFile_(std::move(recordingFile)), verify_(verify),
      verifyDir_(std::move(verifyDir)) {}

const Event* Replayer::peek() {
  while (!haveNext_ && !atEnd_) {
    std::string why;
    Decoded d = decodeEvent(*reader_, lastSeq_, next_, why);
    if (d != Decoded::Event) {
      atEnd_ = true;
      damage_ = d == Decoded::Damaged ? why : reader_->problem();
      break;
    }
    if (next_.tag == Tag::Routine) {
      if (next_.routine != declarations_.size()) {
        atEnd_ = true;
        damage_ = "a routine defined out of order";
        break;
      }
      declarations_.push_back(next_.text);
      byId_.push_back(routines_.byDeclaration(next_.text));
      continue;
    }
    if (next_.tag == Tag::Value && next_.routine >= declarations_.size()) {
      atEnd_ = true;
      damage_ = "a value of a routine never defined";
      break;
    }
    if (next_.tag == Tag::Frame) {
      nextFrameNumber_ = ++decodedFrames_;
      if (next_.hasPicture && !applyPictureDelta(next_.bytes, next_.width, next_.height, recordedPicture_)) {
        atEnd_ = true;
        damage_ = "a picture that does not fit its sides";
        break;
      }
    }
    lastSeq_ = next_.seq;
    haveNext_ = true;
  }
  return haveNext_ ? &next_ : nullptr;
}

Event Replayer::take() {
  haveNext_ = false;
  return std::move(next_);
}

void Replayer::diverge(const std::string& why) {
  if (stopped_) return;
  stopped_ = true;
  stopReason_ = where() + ": " + why;
}

void Replayer::stopNow(const std::string& why) {
  diverge(why);
  endQuietly();
}

std::string Replayer::routineName(uint32_t id) const {
  return id < declarations_.size() ? std::string(declarationName(declarations_[id])) : "?";
}

std::string Replayer::describe(const Event& e) const {
  std::string at = " at call " + std::to_string(e.seq);
  switch (e.tag) {
    case Tag::Value: return "a result of " + routineName(e.routine) + at;
    case Tag::Frame: return "frame " + std::to_string(nextFrameNumber_) + at;
    case Tag::File: return "a read of " + e.text + at;
    case Tag::End:
      if (e.kind == static_cast<uint8_t>(EndKind::Error)) return "the run-time error \"" + e.text + "\"" + at;
      return "the end of the run" + at;
    case Tag::Routine: break;
  }
  return "an event" + at;
}

void Replayer::call(uint32_t stub, guest::TrapHandler run, guest::CallFrame& frame) {
  const RoutineInfo* info = routines_.byStub(stub);
  beginCall(info);
  if (stopped_) endQuietly();
  const Event* e = peek();
  if (e && e->seq < seq_) stopNow("the recording has " + describe(*e) + ", which this run passed by");
  const Policy policy = info ? effectivePolicy(*info, frame) : Policy::Run;
  const std::string name = info ? info->name : "an unknown routine";
  try {
    if (policy == Policy::Outside || policy == Policy::Opens) {
      if (nextIs(Tag::Value, seq_)) {
        answer(*info, policy, frame);
      } else if (!nextIs(Tag::End, seq_) && !nextIs(Tag::Frame, seq_)) {
        // The recorded call ended the run before it had a result; anything else is a gap.
        stopNow("the program asks for " + name + ", and the recording has " +
                (e ? describe(*e) : "no more data" + (damage_.empty() ? std::string() : " (" + damage_ + ")")));
      }
    } else if (policy == Policy::Skip) {
      releaseStrings(*info, frame);
    } else {
      if (policy != Policy::Checked && nextIs(Tag::Value, seq_))
        stopNow("the program calls " + name + " where the recording has " + describe(*peek()));
      runRoutine(info, policy, run, frame);
      if (policy == Policy::Checked) check(*info, frame);
    }
  } catch (const vxEx& ex) {
    if (!stopped_) {
      afterCall();
      if (nextIs(Tag::End, seq_)) {
        Event end = take();
        endedAsRecorded_ = true;
        if (ex.message && end.text != ex.message)
          diverge(std::string("the run-time error \"") + ex.message + "\" where the recording has " + describe(end));
      } else if (ex.message) {
        diverge(std::string("a run-time error the recording does not have: ") + ex.message);
      } else {
        userEnded_ = true;  // the window closed, or a capture reached its last frame
      }
    }
    endCall();
    throw;
  }
  afterCall();
  endCall();
  if (stopped_) endQuietly();
  endAsRecorded();
}

void Replayer::runRoutine(const RoutineInfo* info, Policy policy, guest::TrapHandler run, guest::CallFrame& frame) {
  if (policy != Policy::Flip || !info || info->params.empty()) {
    run(frame);
    return;
  }
  // The same frame without waiting for the display: a replay runs as fast as it can.
  guest::Word args[1];
  args[0] = 0u;
  guest::CallFrame noWait = frame;
  noWait.args = args;
  run(noWait);
  frame.result = noWait.result;
  frame.fresult = noWait.fresult;
}

void Replayer::answer(const RoutineInfo& info, Policy policy, guest::CallFrame& frame) {
  Event value = take();
  if (byId_[value.routine] != &info)
    stopNow("the program calls " + info.name + " where the recording has " + describe(value));
  if (value.form != formOf(info.result))
    stopNow("the recording's " + info.name + " result is of another type than this run-time's");
  const bool input = info.name == "Input" && value.form == Form::Text;
  const std::string prompt = input ? std::string(vxStrView(guest::ptr<vxStr>(frame.args[0]))) : std::string();
  releaseStrings(info, frame);
  // The line typed into Input is drawn as Input left it: the prompt, then the line, and
  // the cursor on the next line.
  if (input) {
    graphics::Write(vxStrNew(prompt));
    graphics::Print(vxStrNew(value.text));
  }
  switch (value.form) {
    case Form::None: break;
    case Form::Word: frame.result = value.word; break;
    case Form::Float: frame.fresult = std::bit_cast<float>(value.word); break;
    case Form::Text: frame.result = guest::addr(vxStrNew(value.text)); break;
  }
  // The handles the recorded call took, so that later handles keep their numbers.
  for (uint32_t i = 0; i < value.handles; ++i) Handles::remove(Handles::add(HandleKind::Other, nullptr));
  if (policy == Policy::Opens && value.word != 0) outsideHandles_.insert(value.word);
  if (info.fillsBank && !value.bytes.empty()) {
    auto* bank = Handles::get<io::Bank>(frame.args[0], HandleKind::Bank);
    int32_t offset = static_cast<int32_t>(frame.args[2]);
    if (!bank || !bank->holds(offset, static_cast<int64_t>(value.bytes.size())))
      stopNow("the recording's ReadBytes data does not fit the program's bank");
    std::copy(value.bytes.begin(), value.bytes.end(), bank->data() + offset);
  }
}

void Replayer::check(const RoutineInfo& info, const guest::CallFrame& frame) {
  if (!nextIs(Tag::Value, seq_)) {
    const Event* e = peek();
    stopNow("the program calls " + info.name + ", and the recording has " + (e ? describe(*e) : "no more data"));
  }
  Event value = take();
  if (byId_[value.routine] != &info)
    stopNow("the program calls " + info.name + " where the recording has " + describe(value));
  std::string here, there;
  if (value.form == Form::Text) {
    here = std::string(vxStrView(guest::ptr<vxStr>(frame.result)));
    there = value.text;
  } else if (value.form == Form::Word) {
    here = std::to_string(static_cast<int32_t>(frame.result));
    there = std::to_string(static_cast<int32_t>(value.word));
  }
  if (here != there) stopNow(info.name + " gives " + here + " here and gave " + there + " in the recording");
}

void Replayer::afterCall() {
  while (nextIs(Tag::Frame, seq_) && peek()->kind == static_cast<uint8_t>(FrameKind::Repaint)) {
    Event recorded = take();
    const Canvas* front = frontBuffer();
    if (!front) {
      diverge("the recording shows a frame here, and this run has no graphics");
      return;
    }
    window_->present();
    checkFrame(recorded, *front);
    showFrame(*front);
  }
}

void Replayer::endAsRecorded() {
  if (!nextIs(Tag::End, seq_) || peek()->kind == static_cast<uint8_t>(EndKind::Returned)) return;
  Event end = take();
  endedAsRecorded_ = true;
  if (end.kind == static_cast<uint8_t>(EndKind::Quiet)) endQuietly();
  raisedError_ = end.text;
  raiseRuntimeError(raisedError_.c_str());
}

void Replayer::releaseStrings(const RoutineInfo& info, const guest::CallFrame& frame) {
  for (size_t i = 0; i < info.params.size(); ++i) {
    if (info.params[i] != '$') continue;
    auto* s = guest::ptr<vxStr>(frame.args[i]);
    if (vxStrIsLive(s)) vxStrRelease(s);
  }
}

void Replayer::flipFrame(const Canvas& front) {
  if (!nextIs(Tag::Frame, seq_) || peek()->kind != static_cast<uint8_t>(FrameKind::Flip)) {
    const Event* e = peek();
    diverge("the program shows a frame, and the recording has " + (e ? describe(*e) : std::string("no more data")));
    showFrame(front);
    return;
  }
  Event recorded = take();
  checkFrame(recorded, front);
  showFrame(front);
}

}  // namespace korva::replay
