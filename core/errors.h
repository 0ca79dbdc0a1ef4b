// The one way a run ends early: raiseRuntimeError reports a message and throws vxEx,
// which only the run step catches.
#pragma once
#include <cstdint>

namespace korva {

// Ends a program. message is a static text, or null for a quiet end.
struct vxEx {
  const char* message;
};

// Who hears about an error or an end. The host connects this to the window and the
// debugger; tests may install their own.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void reportError(const char* message) = 0;
  virtual void reportEnd(const char* message) = 0;
};

void setReportSink(ReportSink* sink);
ReportSink* reportSink();

// Reports message (when not null) to the sink, then throws vxEx{message}.
[[noreturn]] void raiseRuntimeError(const char* message);
// Throws vxEx with no message: the program ends without a report.
[[noreturn]] void endQuietly();

// The debug flag of the current run: when set, commands validate their handles.
bool debugFlag();
void setDebugFlag(bool on);

}  // namespace korva
