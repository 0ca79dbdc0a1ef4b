#include "support/programs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "app/module_list.h"
#include "link/linker.h"
#include "app/runtime.h"
#include "korva/runtime.h"

namespace korva::test {
namespace {

class Recorder : public Debugger {
 public:
  explicit Recorder(ProgramRun& r) : run_(r) {}
  void debugRun() override {}
  void debugStop() override {}
  void debugStmt(int32_t, int32_t) override {}
  void debugEnter(int32_t, int32_t, int32_t) override {}
  void debugLeave() override {}
  void debugEnd(const char* message) override { run_.ends.emplace_back(message); }
  void debugError(const char* message) override {
    run_.errors.emplace_back(message);
    if (run_.endedBy.empty()) run_.endedBy = message;
  }
  void debugLog(const char* text) override { run_.logs.emplace_back(text); }

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

uint32_t linkedProgram(const std::string& name) {
  static std::mutex mutex;
  static std::map<std::string, uint32_t> linked;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = linked.find(name);
  if (found != linked.end()) return found->second;
  LinkResult r = linkImage(programImage(name), runtimeSymbolTable());
  EXPECT_EQ(r.status, LinkResult::Ok) << name << ": " << r.message();
  return linked[name] = r.base;
}

ProgramRun runImage(const std::vector<uint8_t>& image, bool debug) {
  LinkResult linked = linkImage(image, runtimeSymbolTable());
  if (linked.status != LinkResult::Ok) {
    ProgramRun run;
    run.linkError = linked.message();
    return run;
  }
  return runEntry(linked.base, debug);
}

ProgramRun runEntry(uint32_t entry, bool debug, const std::string& commandLine) {
  ProgramRun run;
  run.linked = true;
  Recorder recorder(run);
  runtime().execute(entry, commandLine.c_str(), &recorder, debug ? 1 : 0, 0);
  return run;
}

ProgramRun runProgram(const std::string& name, bool debug) { return runImage(programImage(name), debug); }

}  // namespace korva::test
