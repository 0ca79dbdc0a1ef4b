// A runtime window and a run on it, as execute makes them, for tests that start modules or
// drive the window themselves.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/module_list.h"
#include "run/run_context.h"
#include "window/runtime_window.h"

namespace korva::test {

struct TestRun {
  explicit TestRun(Debugger* debugger = nullptr, const std::string& commandLine = "") {
    window = RuntimeWindow::create(0);
    if (window) run = std::make_unique<RunContext>(*window, debugger, commandLine);
  }
  ~TestRun() {
    endAll();
    run.reset();
    window.reset();
  }
  // Starts the module on this run; ended when the run goes unless ended before.
  bool start(const ModuleDef& module) {
    if (!run || (module.create && !module.create(*run))) return false;
    started.push_back(&module);
    return true;
  }
  void end(const ModuleDef& module) {
    for (auto it = started.begin(); it != started.end(); ++it)
      if (*it == &module) {
        if (module.destroy) module.destroy();
        started.erase(it);
        return;
      }
  }
  void endAll() {
    while (!started.empty()) end(*started.back());
  }
  bool ok() const { return run != nullptr; }

  std::unique_ptr<RuntimeWindow> window;
  std::unique_ptr<RunContext> run;
  std::vector<const ModuleDef*> started;
};

}  // namespace korva::test
