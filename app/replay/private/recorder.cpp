#include "app/replay/private/recorder.h"

#include <bit>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "app/debuggers.h"
#include "app/replay/private/file_content.h"
#include "basic/strings.h"
#include "core/errors.h"
#include "core/handles.h"
#include "io/banks/bank.h"

namespace korva::replay {
namespace {

// What a run records between frames reaches the disk this soon at the latest.
constexpr auto kFlushPeriod = std::chrono::milliseconds(250);

bool runsInReplay(Policy p) { return p == Policy::Run || p == Policy::Checked || p == Policy::Flip; }

std::string sizeText(uint64_t bytes) {
  if (bytes < 10 * 1024) return std::to_string(bytes) + " bytes";
  if (bytes < 10 * 1024 * 1024) return std::to_string(bytes / 1024) + " KiB";
  return std::to_string(bytes >> 20) + " MiB";
}

}  // namespace

Recorder::Recorder(std::unique_ptr<LogWriter> writer, const Header& header, RecordTarget target, bool debug)
    : writer_(std::move(writer)), header_(header), target_(std::move(target)), debug_(debug),
      lastFlush_(std::chrono::steady_clock::now()) {
  ids_.assign(routines_.all().size(), -1);
}

void Recorder::call(uint32_t stub, guest::TrapHandler run, guest::CallFrame& frame) {
  const RoutineInfo* info = routines_.byStub(stub);
  beginCall(info);
  const Policy policy = info ? effectivePolicy(*info, frame) : Policy::Run;
  logFiles_ = runsInReplay(policy);
  const uint32_t handlesBefore = Handles::issued();
  try {
    run(frame);
  } catch (const vxEx& e) {
    logFiles_ = false;
    if (repaintShown_)
      if (const Canvas* front = frontBuffer()) logFrame(FrameKind::Repaint, *front);
    logEnd(e.message ? EndKind::Error : EndKind::Quiet, e.message ? e.message : "");
    endCall();
    throw;
  }
  logFiles_ = false;
  if (info && (policy == Policy::Outside || policy == Policy::Opens || policy == Policy::Checked))
    logValue(*info, policy, frame, Handles::issued() - handlesBefore);
  if (policy == Policy::Opens && frame.result != 0) outsideHandles_.insert(frame.result);
  if (repaintShown_)
    if (const Canvas* front = frontBuffer()) logFrame(FrameKind::Repaint, *front);
  endCall();
}

int Recorder::open(const std::string& path, int flags, mode_t mode) {
  int fd = openRegularFileDirectly(path, flags, mode);
  if (!onProgramThread() || !inCall_ || !logFiles_ || (flags & O_ACCMODE) == O_WRONLY) return fd;
  const int saved = errno;
  Event e;
  e.tag = Tag::File;
  e.seq = seq_;
  e.text = path;
  e.kind = fd >= 0;
  if (fd >= 0) {
    e.carried = (header_.flags & kFilesCarried) != 0;
    fileContent(fd, e.hash, e.size, e.carried ? &e.bytes : nullptr);
  }
  log(e);
  errno = saved;
  return fd;
}

void Recorder::flipFrame(const Canvas& front) { logFrame(FrameKind::Flip, front); }

void Recorder::logFrame(FrameKind kind, const Canvas& front) {
  // current_ is kept from frame to frame: no allocation per frame.
  const bool carry = (header_.flags & kPicturesCarried) != 0;
  Event e;
  e.tag = Tag::Frame;
  e.seq = seq_;
  e.kind = static_cast<uint8_t>(kind);
  if (carry) {
    if (!takePicture(front, current_)) current_ = Picture{};
    e.hash = pictureHash(current_);
  } else {
    e.hash = frameHash(front, current_);
  }
  if (header_.flags & kMemoryHashes) {
    e.hasMemoryHash = true;
    e.memoryHash = guestMemoryHash();
  }
  if (carry && !current_.pixels.empty()) {
    e.hasPicture = true;
    e.width = current_.width;
    e.height = current_.height;
    e.bytes = pictureDelta(current_, previous_);
    std::swap(previous_, current_);
  }
  log(e);
  writer_->flush();
  lastFlush_ = std::chrono::steady_clock::now();
  showFrame(front, kind == FrameKind::Flip);  // repaints went on as the window showed them
}

void Recorder::logValue(const RoutineInfo& info, Policy policy, const guest::CallFrame& frame, uint32_t handles) {
  Event e;
  e.tag = Tag::Value;
  e.seq = seq_;
  // A replay that answers without running hands out as many, so later handles keep their
  // numbers.
  if (policy != Policy::Checked) e.handles = handles;
  defineRoutine(info);
  e.routine = static_cast<uint32_t>(ids_[static_cast<size_t>(&info - routines_.all().data())]);
  e.form = formOf(info.result);
  if (e.form == Form::Word) e.word = frame.result;
  if (e.form == Form::Float) e.word = std::bit_cast<uint32_t>(frame.fresult);
  if (e.form == Form::Text) e.text = std::string(vxStrView(guest::ptr<vxStr>(frame.result)));
  if (info.fillsBank && policy == Policy::Outside && static_cast<int32_t>(frame.result) > 0) {
    auto* bank = Handles::get<io::Bank>(frame.args[0], HandleKind::Bank);
    int32_t offset = static_cast<int32_t>(frame.args[2]);
    int32_t count = static_cast<int32_t>(frame.result);
    if (bank && bank->holds(offset, count)) e.bytes.assign(reinterpret_cast<const char*>(bank->data() + offset), count);
  }
  log(e);
}

void Recorder::logEnd(EndKind kind, const std::string& message) {
  if (ended_) return;
  ended_ = true;
  Event e;
  e.tag = Tag::End;
  e.seq = seq_;
  e.kind = static_cast<uint8_t>(kind);
  e.text = message.substr(0, kMaxDeclaration);
  log(e);
}

void Recorder::log(const Event& event) {
  writer_->append(encodeEvent(event, lastSeq_));
  if (event.tag != Tag::Routine) lastSeq_ = event.seq;
  if (event.tag != Tag::Frame) {  // frames flush themselves
    auto now = std::chrono::steady_clock::now();
    if (now - lastFlush_ > kFlushPeriod) {
      writer_->flush();
      lastFlush_ = now;
    }
  }
}

void Recorder::defineRoutine(const RoutineInfo& info) {
  int32_t& id = ids_[static_cast<size_t>(&info - routines_.all().data())];
  if (id >= 0) return;
  id = static_cast<int32_t>(nextId_++);
  Event e;
  e.tag = Tag::Routine;
  e.routine = static_cast<uint32_t>(id);
  e.text = info.declaration;
  log(e);
}

void Recorder::runtimeError(const char* message) {
  if (errorSeen_) return;
  SessionBase::runtimeError(message);
  if (const Canvas* front = frontBuffer()) lastFrameTaken_ = takePicture(*front, lastFrame_);
}

int Recorder::finish(int status) {
  if (errorSeen_)
    logEnd(EndKind::Error, error_);
  else
    logEnd(returned_ ? EndKind::Returned : EndKind::Quiet, "");
  writer_->finish();
  writeErrorLine("korva: recorded " + std::to_string(frames_) + " frames and " + std::to_string(seq_) +
                 " calls in " + target_.file + " (" + sizeText(writer_->bytesWritten()) + ")");
  if (!writer_->failure().empty()) {
    writeErrorLine("korva: the recording is incomplete: " + writer_->failure());
    status = 1;
  }
  if (errorSeen_) writeBundle();
  return status;
}

void Recorder::writeBundle() {
  namespace fs = std::filesystem;
  const std::string& dir = target_.bundleDir;
  std::error_code ec;
  fs::create_directories(dir, ec);
  fs::copy_file(target_.file, fs::path(dir) / "recording.korvarec", fs::copy_options::overwrite_existing, ec);
  if (ec) {
    writeErrorLine("korva: cannot make the error bundle in " + dir + ": " + ec.message());
    return;
  }
  std::string why;
  bool picture = lastFrameTaken_ && savePicture(lastFrame_, (fs::path(dir) / "last-frame.png").string(), why);
  std::ofstream text(fs::path(dir) / "error.txt");
  text << "Run-time error: " << error_ << "\n"
       << "Program: " << header_.programName << "\n"
       << "At: " << where() << "\n"
       << "Recorded by korva " << KORVA_VERSION << "\n"
       << "Last frame: " << (picture ? "last-frame.png" : "none (no graphics were open)") << "\n"
       << "Replay it: korva --replay recording.korvarec " << header_.programName << "\n";
  writeErrorLine("korva: the run-time error, the recording" + std::string(picture ? " and the last frame" : "") +
                 " are in " + dir);
}

}  // namespace korva::replay
