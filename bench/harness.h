// What several benchmarks share: compiled programs found next to the binary and linked, a
// debugger that keeps what a program logs, a runtime window with a module started, and the
// CPU time of every Google Benchmark run by name. Header only: each bench/*.cpp is a binary
// of its own.
#pragma once
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/debuggers.h"
#include "korva/runtime.h"
#include "app/module_list.h"
#include "run/run_context.h"
#include "window/runtime_window.h"

namespace korva::bench {

// Where korva_guest_program put the programs: KORVA_PROGRAMS_DIR, or beside this build's
// bench folder.
inline std::string programsDir() {
  if (const char* d = std::getenv("KORVA_PROGRAMS_DIR")) return d;
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path(exe, n > 0 ? size_t(n) : 0);
  return path.substr(0, path.rfind('/')) + "/../programs";
}

// The entry of program.kbm linked into the run-time; 0 with failure set when it does not link.
inline uint32_t linkProgram(const std::string& program, std::string& failure) {
  std::ifstream f(programsDir() + "/" + program + ".kbm", std::ios::binary);
  std::vector<uint8_t> image(std::istreambuf_iterator<char>(f), {});
  char message[256] = "";
  uint32_t entry = runtimeGetRuntime()->linkImage(image.data(), uint32_t(image.size()), message, sizeof message);
  if (!entry) failure = "cannot link " + program + ": " + message;
  return entry;
}

// What a program logged, and the error that ended it.
struct Logs final : StandaloneDebugger {
  std::vector<std::string> lines;
  const char* error = nullptr;
  void debugLog(const char* text) override { lines.emplace_back(text); }
  void debugError(const char* message) override { error = message; }
};

// A runtime window and a run with one module started on it, as a program has them, for the
// length of one benchmark.
class ModuleRun {
 public:
  explicit ModuleRun(const ModuleDef& module) : window(RuntimeWindow::create(0)), module_(module) {
    if (!window) return;
    run = std::make_unique<RunContext>(*window, nullptr, "");
    started = !module_.create || module_.create(*run);
  }
  ~ModuleRun() {
    if (started && module_.destroy) module_.destroy();
    run.reset();
    window.reset();
  }
  ModuleRun(const ModuleRun&) = delete;
  ModuleRun& operator=(const ModuleRun&) = delete;

  std::unique_ptr<RuntimeWindow> window;
  std::unique_ptr<RunContext> run;
  bool started = false;

 private:
  const ModuleDef& module_;
};

// The console output as usual, keeping each run's CPU time (in the benchmark's own unit)
// by benchmark name for the comparisons printed after it.
class CpuTimes : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  bool has(const std::string& name) const { return times_.count(name) != 0; }
  double operator[](const std::string& name) const { return times_.at(name); }

 private:
  std::map<std::string, double> times_;
};

}  // namespace korva::bench
