// One run of a program: what it holds from the window's creation to its destruction, and
// the only way the command modules reach any of it. The run step (app/) makes it and hands
// it to every module's create; nothing reaches it through a global.
//
// It owns the drivers (input, audio, file system, timers) and reaches the graphics device
// through the window, which presents it; it links the run to its debugger; it keeps the
// suspension (run/suspension.cpp has the state machine) and the event loop's poll.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "input/devices/input_host.h"
#include "run/timers.h"
#include "window/event_sinks.h"
#include "window/runtime_window.h"

namespace korva {

class Debugger;
class GraphicsDevice;
class SdlInputDriver;
namespace audio {
class AudioDriver;
}
namespace io {
class FileSystem;
}

class RunContext final : private RunEventSink, private InputHost {
 public:
  // commandLine: the program's, trimmed of blanks. The debugger may be null.
  RunContext(RuntimeWindow& window, Debugger* debugger, std::string commandLine);
  // Frees the timers, the audio driver, the graphics, the input and the file system, in
  // that order.
  ~RunContext() override;
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  RuntimeWindow& window() { return window_; }
  const std::string& commandLine() const { return commandLine_; }

  // Drivers. open gives null when that driver is open already; close does nothing unless
  // given the open one.
  SdlInputDriver* openInput();
  void closeInput(SdlInputDriver* driver);
  SdlInputDriver* input() const { return input_.get(); }
  // The one audio driver: made by the first call, the same one after.
  audio::AudioDriver* openAudio();
  void closeAudio(audio::AudioDriver* driver);
  io::FileSystem* openFileSystem();
  void closeFileSystem(io::FileSystem* fileSystem);
  io::FileSystem* fileSystem() const { return fileSystem_.get(); }
  // The live timers, made at the first use.
  TimerSet& timers();
  GraphicsDevice* graphics() const { return window_.graphics(); }

  // The debugger. error and end detach it first, so only the first of them in a run
  // reaches it; all do nothing without one.
  void runtimeError(const char* message);
  void programEnd(const char* message);
  void debugLog(const char* text);
  void debugStmt(int32_t a, int32_t b);
  void debugEnter(int32_t a, int32_t b, int32_t c);
  void debugLeave();
  bool hasDebugger() const { return debugger_.load() != nullptr; }

  // Thread-safe, for the environment's thread: posts a suspension or a resumption; ends
  // the run (detaches the debugger, clears running, wakes a waiting poll).
  void postSuspend();
  void postResume();
  void endAsync();

  // Handles the queued events; blocks while suspended and running. The running flag.
  bool poll();
  // Waits ms milliseconds in slices of at most 100 ms; false when the program must end.
  bool delay(int ms);
  // Polls, and ends the program quietly when it must end.
  void pollOrEnd();

  // Stop, asyncStop and asyncRun; in full screen they give the screen back and take it.
  void requestSuspend();
  void requestResume();
  bool suspended() const { return suspended_; }
  bool running() const { return running_.load(); }

  // Starts a program or opens a document; in full screen the screen is given back first.
  bool execFile(const std::string& command);

 private:
  // From the window's events.
  void closeRequested() override;
  void request(Request request) override;
  void screenLost() override;
  void screenRegained() override;
  bool acceptsInput() const override { return !suspended_; }
  // For the input devices.
  void pollEvents() override { poll(); }
  void moveSystemPointer(int x, int y) override { window_.moveMouse(x, y); }
  bool graphicsSize(int& width, int& height) const override;

  void suspend();
  void resume();
  void report(const char* message, bool isError);

  RuntimeWindow& window_;
  std::string commandLine_;
  std::atomic<Debugger*> debugger_;
  std::atomic<bool> running_{true};
  bool suspended_ = false;
  std::unique_ptr<io::FileSystem> fileSystem_;
  std::unique_ptr<SdlInputDriver> input_;
  std::unique_ptr<audio::AudioDriver> audio_;
  std::unique_ptr<TimerSet> timers_;
};

}  // namespace korva
