#include "support/programs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "host/errors.h"
#include "host/linker.h"
#include "host/run.h"

namespace korva::test {
namespace {

class Recorder : public ReportSink {
 public:
  explicit Recorder(ProgramRun& r) : run_(r) {}
  void reportError(const char* message) override { run_.errors.emplace_back(message); }
  void reportEnd(const char* message) override { run_.ends.emplace_back(message); }

 private:
  ProgramRun& run_;
};

}  // namespace

std::vector<uint8_t> programImage(const std::string& name) {
  const char* dir = std::getenv("KORVA_PROGRAMS_DIR");
  std::string path = std::string(dir ? dir : "programs") + "/" + name + ".kbm";
  std::ifstream f(path, std::ios::binary);
  EXPECT_TRUE(f.good()) << "missing test program " << path;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

ProgramRun runImage(const std::vector<uint8_t>& image, bool debug) {
  ProgramRun run;
  LinkResult linked = linkImage(image, runtimeSymbolTable());
  if (linked.status != LinkResult::Ok) {
    run.linkError = linked.message();
    return run;
  }
  return runEntry(linked.base, debug);
}

ProgramRun runEntry(uint32_t entry, bool debug) {
  ProgramRun run;
  run.linked = true;
  Recorder recorder(run);
  ReportSink* previous = reportSink();
  setReportSink(&recorder);
  setDebugFlag(debug);
  const char* result = korva::runProgram(entry);
  setDebugFlag(false);
  setReportSink(previous);
  if (result) run.endedBy = result;
  return run;
}

ProgramRun runProgram(const std::string& name, bool debug) { return runImage(programImage(name), debug); }

}  // namespace korva::test
