#include "run/run_context.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "audio/driver/audio_driver.h"
#include "core/errors.h"
#include "input/driver/input_driver.h"
#include "io/driver/file_system.h"
#include "korva/runtime.h"
#include "render/display/graphics_device.h"
#include "window/exec.h"

namespace korva {
namespace {

// How long a suspended poll waits for an event before it looks at the interrupt again.
constexpr int kWaitSliceMs = 100;

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

RunContext::RunContext(RuntimeWindow& window, Debugger* debugger, std::string commandLine)
    : window_(window), commandLine_(std::move(commandLine)), debugger_(debugger) {
  window_.setLogSink([](void* self, const char* text) { static_cast<RunContext*>(self)->debugLog(text); }, this);
}

RunContext::~RunContext() {
  timers_.reset();
  audio_.reset();
  window_.closeGraphics(window_.graphics());
  window_.setInputSink(nullptr);
  input_.reset();
  fileSystem_.reset();
  window_.setLogSink(nullptr, nullptr);
}

SdlInputDriver* RunContext::openInput() {
  if (input_) return nullptr;
  input_ = std::make_unique<SdlInputDriver>(static_cast<InputHost&>(*this));
  window_.setInputSink(input_.get());
  if (window_.displayState() == 3) input_->acquireAll();
  return input_.get();
}

void RunContext::closeInput(SdlInputDriver* driver) {
  if (!driver || driver != input_.get()) return;
  if (window_.displayState() == 3) input_->unacquireAll();
  window_.setInputSink(nullptr);
  input_.reset();
}

audio::AudioDriver* RunContext::openAudio() {
  if (!audio_) audio_ = audio::AudioDriver::start();
  return audio_.get();
}

void RunContext::closeAudio(audio::AudioDriver* driver) {
  if (driver && driver == audio_.get()) audio_.reset();
}

io::FileSystem* RunContext::openFileSystem() {
  if (fileSystem_) return nullptr;
  fileSystem_ = std::make_unique<io::FileSystem>();
  return fileSystem_.get();
}

void RunContext::closeFileSystem(io::FileSystem* fileSystem) {
  if (fileSystem && fileSystem == fileSystem_.get()) fileSystem_.reset();
}

TimerSet& RunContext::timers() {
  if (!timers_) timers_ = std::make_unique<TimerSet>();
  return *timers_;
}

bool RunContext::graphicsSize(int& width, int& height) const {
  const GraphicsDevice* device = window_.graphics();
  if (!device) return false;
  width = device->width();
  height = device->height();
  return true;
}

void RunContext::report(const char* message, bool isError) {
  Debugger* debugger = debugger_.exchange(nullptr);
  if (!debugger) return;
  running_.store(false);
  window_.post(kWakeUp);
  if (!suspended_) requestSuspend();
  if (isError)
    debugger->debugError(message);
  else
    debugger->debugEnd(message);
}

void RunContext::runtimeError(const char* message) { report(message, true); }
void RunContext::programEnd(const char* message) { report(message, false); }

void RunContext::debugLog(const char* text) {
  if (Debugger* debugger = debugger_.load()) debugger->debugLog(text);
}
void RunContext::debugStmt(int32_t a, int32_t b) {
  if (Debugger* debugger = debugger_.load()) debugger->debugStmt(a, b);
}
void RunContext::debugEnter(int32_t a, int32_t b, int32_t c) {
  if (Debugger* debugger = debugger_.load()) debugger->debugEnter(a, b, c);
}
void RunContext::debugLeave() {
  if (Debugger* debugger = debugger_.load()) debugger->debugLeave();
}

void RunContext::postSuspend() { window_.post(kSuspend); }
void RunContext::postResume() { window_.post(kResume); }
void RunContext::endAsync() { closeRequested(); }

void RunContext::closeRequested() {
  debugger_.store(nullptr);
  running_.store(false);
  window_.post(kWakeUp);
}

void RunContext::request(Request request) {
  if (request == kSuspend && !suspended_) requestSuspend();
  if (request == kResume && suspended_) requestResume();
}

bool RunContext::poll() {
  for (;;) {
    const bool waiting = suspended_ && running_.load();
    if (!window_.handleNext(*this, waiting ? kWaitSliceMs : 0) && !waiting) return running_.load();
  }
}

bool RunContext::delay(int ms) {
  int64_t start = nowMs();
  while (poll()) {
    int64_t left = start + ms - nowMs();
    if (left < 1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(left, 100)));
  }
  return false;
}

void RunContext::pollOrEnd() {
  if (!poll()) endQuietly();
}

bool RunContext::execFile(const std::string& command) {
  if (!parseExecCommand(command)) return false;
  // In full screen the started program needs the screen.
  if (window_.displayState() == 3 && !suspended_) requestSuspend();
  return window_.execFile(command);
}

}  // namespace korva
