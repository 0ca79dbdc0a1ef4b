// Recording a run and replaying it (docs/replay.md):
//   --record FILE        record what the outside world hands the program into FILE
//   --record-files       also carry the data of every file the program reads
//   --record-frames      also carry every frame's picture (for --verify's pictures)
//   --record-memory      also hash guest memory at every frame
//   --replay FILE        feed the program what FILE recorded instead
//   --verify             compare every frame (and memory, when recorded) with FILE's
// and KORVA_RECORD=DIR, which records every run of a program into DIR.
//
// A session stands at three doors for the whole run: routine calls (guest/trap.h), file
// opens (core/regular_file.h) and presented frames (window/runtime_window.h).
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/capture/capture_run.h"
#include "core/regular_file.h"
#include "guest/trap.h"
#include "korva/runtime.h"
#include "window/runtime_window.h"

namespace korva::replay {

struct SessionOptions {
  std::string recordFile;
  bool recordFiles = false;
  bool recordPictures = false;
  bool recordMemory = false;
  std::string replayFile;
  bool verify = false;
  std::string recordDir;  // from KORVA_RECORD, when no other option is given

  bool active() const { return !recordFile.empty() || !replayFile.empty() || !recordDir.empty(); }
};

// Reads the option at args[i]; how many arguments it took (0: not a session option), with
// error set when its value is missing.
size_t parseSessionOption(const std::vector<std::string>& args, size_t i, SessionOptions& options,
                          std::string& error);
// What is wrong with the options together (with --input, say); empty when they fit.
std::string checkSessionOptions(const SessionOptions& options, bool scriptedInput);

class Session : public guest::CallObserver, public FileOpenHook, public capture::FrameRelay {
 public:
  ~Session() override = default;

  // A recording or a replay of the program image read from programFile; null with error
  // set when the recording cannot be written or read, or belongs to another program.
  static std::unique_ptr<Session> start(const SessionOptions& options, std::span<const uint8_t> image,
                                        const std::string& programFile, bool debug, std::string& error);

  // The run's debug flag: a replay's is the recording's.
  virtual bool debugFlag() const = 0;
  // Wraps the run's debugger: the session hears of the error that ends a run.
  virtual Debugger& debugger(Debugger& inner) = 0;
  // Takes the three doors for the run, and gives them back.
  virtual void install() = 0;
  virtual void uninstall() = 0;
  // After the run: writes what is left, reports on stderr, and gives the exit status
  // (status is the run's own).
  virtual int finish(int status) = 0;
};

}  // namespace korva::replay
