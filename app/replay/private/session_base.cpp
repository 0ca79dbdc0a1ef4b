#include "app/replay/private/session_base.h"

#include "app/debuggers.h"
#include "render/display/graphics_device.h"

namespace korva::replay {

// Passes every callback on; the session hears of the error first, and may keep it from
// the debugger when it is the replay's own doing.
class SessionBase::Wrapper final : public RelayDebugger {
 public:
  Wrapper(SessionBase& session, Debugger& inner) : RelayDebugger(inner), session_(session) {}
  void debugEnd(const char* message) override {
    session_.programEnd(message);
    inner_.debugEnd(message);
  }
  void debugError(const char* message) override {
    session_.runtimeError(message);
    if (!session_.hideError()) inner_.debugError(message);
  }

 private:
  SessionBase& session_;
};

SessionBase::SessionBase() = default;
SessionBase::~SessionBase() = default;

Debugger& SessionBase::debugger(Debugger& inner) {
  wrapper_ = std::make_unique<Wrapper>(*this, inner);
  return *wrapper_;
}

void SessionBase::install() {
  thread_ = std::this_thread::get_id();
  guest::setCallObserver(this);
  setFileOpenHook(this);
  RuntimeWindow::setFrameObserver(this);
}

void SessionBase::uninstall() {
  RuntimeWindow::setFrameObserver(nullptr);
  setFileOpenHook(nullptr);
  guest::setCallObserver(nullptr);
}

void SessionBase::windowCreated(RuntimeWindow& window) {
  window_ = &window;
  if (next_) next_->windowCreated(window);
}

void SessionBase::frameShown(RuntimeWindow& window, const Canvas& front) {
  window_ = &window;
  if (!inCall_) return;  // no frame is shown outside a call; nothing to count
  if (routine_ && routine_->policy == Policy::Flip && !flipShown_) {
    flipShown_ = true;
    flipFrame(front);
  } else {
    repaintShown_ = true;
    repaintSeen(front);
  }
}

void SessionBase::runtimeError(const char* message) {
  if (errorSeen_) return;
  errorSeen_ = true;
  error_ = message ? message : "";
}

Policy SessionBase::effectivePolicy(const RoutineInfo& info, const guest::CallFrame& frame) const {
  if (info.policy != Policy::HandleRead && info.policy != Policy::HandleWrite) return info.policy;
  if (info.handleArg < 0 || static_cast<size_t>(info.handleArg) >= info.params.size()) return Policy::Run;
  bool outside = outsideHandles_.count(frame.args[info.handleArg]) > 0;
  if (!outside) return Policy::Run;
  return info.policy == Policy::HandleRead ? Policy::Outside : Policy::Skip;
}

std::string SessionBase::where() const {
  std::string text = "frame " + std::to_string(frames_ + 1) + ", call " + std::to_string(seq_);
  if (routine_) text += " (" + routine_->name + ")";
  return text;
}

const Canvas* SessionBase::frontBuffer() const {
  GraphicsDevice* device = window_ ? window_->graphics() : nullptr;
  return device && window_->displayState() != 0 ? device->frontBuffer() : nullptr;
}

void SessionBase::showFrame(const Canvas& front, bool handOn) {
  ++frames_;
  if (handOn && next_ && window_) next_->frameShown(*window_, front);
}

void SessionBase::beginCall(const RoutineInfo* info) {
  ++seq_;
  routine_ = info;
  inCall_ = true;
  flipShown_ = false;
  repaintShown_ = false;
}

Form SessionBase::formOf(char sigil) {
  switch (sigil) {
    case 0: return Form::None;
    case '#': return Form::Float;
    case '$': return Form::Text;
    default: return Form::Word;
  }
}

}  // namespace korva::replay
