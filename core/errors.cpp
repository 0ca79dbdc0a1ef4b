#include "core/errors.h"

namespace korva {
namespace {
ReportSink* g_sink = nullptr;
bool g_debug = false;
}  // namespace

void setReportSink(ReportSink* sink) { g_sink = sink; }
ReportSink* reportSink() { return g_sink; }

void raiseRuntimeError(const char* message) {
  if (message && g_sink) g_sink->reportError(message);
  throw vxEx{message};
}

void endQuietly() { throw vxEx{nullptr}; }

bool debugFlag() { return g_debug; }
void setDebugFlag(bool on) { g_debug = on; }

}  // namespace korva
